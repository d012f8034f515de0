#include "rtf/rtfreader.h"

#include <QTest>

class TestRtfReader : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() {}
};

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
