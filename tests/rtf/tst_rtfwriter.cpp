#include <QTest>

class TestRtfWriter : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
