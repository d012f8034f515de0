#include "viewer.h"

#include "viewer/autoviewinterval.h"
#include "viewer/displayrules.h"

Viewer::Viewer(QObject *parent) : QObject(parent)
{
    setAutoViewIntervalText(QString());
}

void Viewer::setShownFile(const ShownFile &file)
{
    m_shown = file;
    emit shownFileChanged();
}

void Viewer::redisplayAsPlainText()
{
    if (!m_lastFileListPath.isEmpty())
        emit redisplayRequested(m_lastFileListPath);
}

void Viewer::setLoading(bool loading)
{
    if (m_loading == loading)
        return;
    m_loading = loading;
    emit loadingChanged(loading);
}

void Viewer::setFolder(const QString &folder)
{
    if (m_folder == folder)
        return;
    m_folder = folder;
    emit folderChanged();
}

std::optional<QString> Viewer::fileListPath(const QString &folderPath, const QString &name) const
{
    return DisplayRules::filePath(m_folder, folderPath, name);
}

void Viewer::setAutoViewIntervalText(const QString &typed)
{
    // An emptied interval is the default again.
    m_intervalText =
        typed.isEmpty() ? QString::number(AutoViewInterval::defaultMilliseconds) : typed;
    m_interval = AutoViewInterval::parse(m_intervalText);
    emit autoViewIntervalChanged();
}

void Viewer::setReaderFileName(const QString &name)
{
    if (m_readerFileName == name)
        return;
    m_readerFileName = name;
    emit readerFileNameChanged();
}
