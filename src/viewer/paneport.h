#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <functional>

// What the viewer's operations need of the viewing pane, and no more: its text, whether it was
// edited since it was shown or saved, and its document as RTF for a save to an RTF file.
class PanePort
{
public:
    virtual ~PanePort() = default;

    virtual bool isModified() const = 0;
    virtual void setModified(bool modified) = 0;
    virtual QString text() const = 0;
    // The text in the pieces the pane keeps it in, so that a large one is never copied whole;
    // stops when visit returns false.
    virtual void forEachTextPiece(const std::function<bool(QStringView)> &visit) const = 0;
    // The bytes a save to an RTF file writes.
    virtual QByteArray richText() const = 0;
};
