// SPDX-License-Identifier: GPL-3.0-or-later
// A real address-book server for the sync tests: Radicale from Debian, in a temporary folder
// with a configuration of ours, on 127.0.0.1 and a free port, for the life of the object.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

class RadicaleServer {
public:
    // Starts the server with one user (password in plain text in its htpasswd file) and an
    // empty address book "contacts" of that user. A machine without radicale fails here with a
    // message that names the package; the caller checks error() with QVERIFY2.
    // Https: over TLS with a self-signed certificate made for 127.0.0.1 (by openssl), one the
    // system does not trust.
    enum class Transport { Http, Https };
    explicit RadicaleServer(Transport transport = Transport::Http,
                            const QString& user = QStringLiteral("alice"),
                            const QString& password = QStringLiteral("secret"));
    ~RadicaleServer();
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;

    // Empty when the server is up; otherwise why it is not.
    QString error() const { return m_error; }
    // http://127.0.0.1:<port>/
    QUrl root() const;
    // The user's address book, as a full URL ending in "/".
    QUrl addressBook() const;
    // The folder holding the address book's card files on disk.
    QString storageFolder() const;
    QString user() const { return m_user; }
    // The self-signed certificate of an Https server, PEM.
    QString certificateFile() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    // Its SHA-256 fingerprint as the user is shown it, "AB:CD:…".
    QString certificateFingerprint() const;
    QString password() const { return m_password; }
    // Adds a second address book of the user, with its display name.
    bool addAddressBook(const QString& name, const QString& displayName);

private:
    // Written whole, or the test program stops (TestFiles).
    void writeConfiguration();
    bool makeCertificate();
    bool waitUntilListening();

    QString m_user;
    QString m_password;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    bool m_tls = false;
    QString m_error;
};
