#pragma once

#include "module/LineMirror.h"

#include <QObject>
#include <QString>

namespace velnor {

class ModuleScan;
class Panel;

// Feeds the mirror of the main window's line with every byte the panel writes there, from the
// start of the run: the main window's frames, and the configuration window's when it is on the
// same port at the same speed. Another port or speed is a new line.
class MirrorFeed final : public QObject
{
    Q_OBJECT
public:
    explicit MirrorFeed(Panel& panel, QObject* parent = nullptr);

    LineMirror& mirror() { return m_mirror; }
    // Starts a new line when the port or its speed changed since the last look.
    void checkLine();
    // A search addresses every module: only those that answer it are listed.
    void follow(ModuleScan& scan);

private:
    Panel& m_panel;
    LineMirror m_mirror;
    QString m_line;
};

} // namespace velnor
