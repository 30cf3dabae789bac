// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a new, empty address book at the given path unless a file is there.
// The build runs it so a fresh build can start at once; it never overwrites.
#include "db/Database.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (args.size() != 2) {
        err << "usage: vardelin_makedb <path/to/DB.xml>\n";
        return 2;
    }
    const QString path = args.at(1);
    if (QFileInfo::exists(path))
        return 0;
    const Status created = Database::create(path);
    if (!created) {
        err << "cannot create " << path << ": " << created.error().description << '\n';
        return 1;
    }
    return 0;
}
