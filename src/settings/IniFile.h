#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

namespace velnor {

// The right to write one settings file, held by one program at a time from its read of the
// file to its replacement. Released when destroyed.
class IniLock
{
public:
    enum class State {
        Held,
        // Another program holds it: try again later.
        Busy,
        // It can never be taken here (the lock's name is a FIFO, a folder, ...): why in error().
        Refused,
    };
    // Far longer than any write takes; a writer stopped while holding it must not hold every
    // other program up for good.
    static constexpr int kPatienceMs = 10000;

    IniLock() = default;
    IniLock(IniLock&& other) noexcept;
    IniLock& operator=(IniLock&& other) noexcept;
    ~IniLock();

    State state() const { return m_state; }
    // Why it was refused, or not taken in time.
    const QString& error() const { return m_error; }

private:
    friend class IniFile;
    void release();

    State m_state = State::Busy;
    QString m_error;
    // The settings file it guards, its links followed.
    QString m_target;
    int m_fd = -1;
    // Whether it is the lock file beside the settings file (removed on release), or the
    // settings file itself.
    bool m_own = false;
};

// The settings file velnor.ini: every call opens, reads or writes, and closes it again, so an
// edit made by hand between two calls is seen by the next one.
class IniFile
{
public:
    // seed: the file a write starts from when path does not exist yet, so that a file made
    // by a write holds the port and speed the program started with; empty for none.
    explicit IniFile(QString path, QString seed = {});

    // The program's directory, ending in a separator.
    static QString appDir();
    // velnor.ini in the program's directory.
    static IniFile beside();

    const QString& path() const { return m_path; }
    const QString& seed() const { return m_seed; }

    // Why the file is there but cannot be read (a folder, a FIFO, too large, not permitted),
    // with its path; empty when it can be read or does not exist.
    QString unreadable() const;

    // At most 254 characters; a missing file, section or key, or an unreadable file, is "".
    QString read(const QString& section, const QString& key) const;
    // One attempt at the right to write, without waiting.
    IniLock tryLock() const;
    // Waits for it up to IniLock::kPatienceMs, or until stop() says so; Busy (with the reason)
    // when it did not come.
    IniLock lock(const std::function<bool()>& stop = {}) const;

    // One writer at a time, across programs: a lock file beside it is held from the read to
    // the replacement (held, when given and taken on this file; otherwise waited for). Replaces
    // the file with a new one written beside it, so that it is the old file or the new one whole;
    // where the folder is read-only but the file is writable, overwrites it in place without
    // emptying it first. False (with the reason in *error, if given) when the file could not be
    // written; it is then as it was, except after a failure in the middle of writing in place. A
    // file that would grow past what every reader takes is not written.
    bool write(const QString& section, const QString& key, const QString& value,
               QString* error = nullptr, const IniLock* held = nullptr) const;
    // Several keys of one section in one write of the file, with the same result as writing
    // them one after another: a key that cannot be stored is left out and the others are
    // written. One failure text for each key that was not written.
    QStringList writeKeys(const QString& section, const QList<std::pair<QString, QString>>& keys,
                          const IniLock* held = nullptr) const;

private:
    QString m_path;
    QString m_seed;
};

} // namespace velnor
