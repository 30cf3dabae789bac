// SPDX-License-Identifier: GPL-3.0-or-later
// An Xvfb server of the benchmark's own, and what a child needs to run the built program on it.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class QTemporaryDir;

namespace Bench {

// An X server on a display no other program holds; stopped with the object, or at exit when
// Bench::fail ends the program past every destructor.
class XServer {
public:
    // Starts Xvfb on the first free display from :90; false with failure() when none starts.
    bool start();
    void stop();
    ~XServer();

    QString display() const { return m_display; }
    qint64 processId() const { return m_server.processId(); }
    QString failure() const { return m_failure; }

private:
    // The server takes its socket once it accepts clients.
    bool waitForSocket(const QString& socket);

    QProcess m_server;
    QString m_display;
    QString m_failure;
};

// A program started on the server.
struct Child {
    QString program;
    QStringList arguments;
    QProcessEnvironment environment;
};

// This environment with the server's display and Qt's xcb platform; XDG_RUNTIME_DIR goes to
// folder when unset (Qt warns on every start without one).
QProcessEnvironment xEnvironment(const XServer& server, const QTemporaryDir& folder);

// A program built beside this one; stops the benchmark when it is missing.
QString builtProgram(const QString& name);

// The address book copied into a benchmark's folder, and how many contacts it holds.
struct BookCopy {
    QString path;
    qint64 contacts = 0;
};
// Copies the address book at path into folder, as contacts.db, counts its contacts and writes
// the copy back to disk (a file still being written back would slow the first starts); the
// benchmarks change options in the copy only.
BookCopy copyOfBook(const QString& path, const QTemporaryDir& folder);

// Nanoseconds the process's main thread has run on a CPU so far (/proc/<pid>/schedstat); what
// other programs' load stretches far less than the wall clock. 0 when the kernel does not say.
qint64 cpuNs(qint64 pid);

// Sets the start-up option Top 500 in the address book at path.
void setTopOption(const QString& path, bool on);

} // namespace Bench
