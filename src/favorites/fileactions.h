#pragma once

#include "favorites/plaintextsave.h"

#include <QObject>
#include <QString>

class OperationAction;
class pgwell;

// New, Save, Save as and Delete: they act on the file the viewing pane shows, as the record of
// the shown file names it, whatever the lists' selections are now.
class FileActions : public QObject
{
    Q_OBJECT

public:
    explicit FileActions(pgwell &window);

    void newText();
    void save();
    void saveAs();
    void deleteShownFile();

private:
    void showSaveFailure(const QString &error);
    PlainTextSave::Pieces paneText() const;
    QByteArray richText() const; // what a save writes to an RTF file

    pgwell &w;
    OperationAction *m_new = nullptr;
    OperationAction *m_save = nullptr;
    OperationAction *m_saveAs = nullptr;
    OperationAction *m_delete = nullptr;
};
