// SPDX-License-Identifier: GPL-3.0-or-later
#include "InitialData.h"

#include "ContactFields.h"
#include "Database.h"
#include "Scramble.h"

#include <QHash>

namespace {

struct ShownColumn {
    QLatin1StringView name;
    int width;
};

// The columns a new list shows, left to right; the rest start hidden. Together they fit
// the list of the window's first size (1100 wide, group pane 220) with its vertical scroll
// bar, so a new address book opens without a horizontal one. Widths are in twips (15 to a
// pixel at 96 dpi).
const std::array<ShownColumn, 7> shownColumns{{
    {QLatin1StringView("C.Name"), 1500},
    {QLatin1StringView("T.Name"), 1350},
    {QLatin1StringView("C.Moblie1"), 1650},
    {QLatin1StringView("C.Tel1"), 1650},
    {QLatin1StringView("C.CompanyName"), 2550},
    {QLatin1StringView("C.Post"), 1350},
    {QLatin1StringView("C.Mail1"), 2550},
}};

constexpr int hiddenWidth = 1500;

Status insertAlias(const Database& db, const QString& name, const QString& caption, int& nextSeq)
{
    int width = hiddenWidth;
    int seq = 0;
    bool shown = false;
    for (std::size_t i = 0; i < shownColumns.size(); ++i) {
        if (shownColumns[i].name == name) {
            width = shownColumns[i].width;
            seq = int(i) + 1;
            shown = true;
        }
    }
    if (!shown)
        seq = nextSeq++;
    return db.exec(QStringLiteral("INSERT INTO Vardelin_Alias (Name, Alias, Width, Seq, IsDisplay) "
                                  "VALUES (?, ?, ?, ?, ?)"),
                   {name, caption, width, seq, shown ? 1 : 0});
}

Status insertAliases(const Database& db)
{
    int nextSeq = int(shownColumns.size()) + 1;
    for (const ContactField& field : ContactFields::all) {
        if (field.kind != ContactField::Kind::Text && field.kind != ContactField::Kind::Date)
            continue;
        const QString name = QStringLiteral("C.") + QString(field.name);
        if (Status done = insertAlias(db, name, QString::fromUtf16(field.caption), nextSeq); !done)
            return done;
    }
    return insertAlias(db, QString(ContactFields::groupNameColumn),
                       QString::fromUtf16(ContactFields::groupNameCaption), nextSeq);
}

} // namespace

Status InitialData::insert(const Database& db)
{
    const QString adminStored =
        Scramble::storedPassword(QString::fromUtf16(adminPassword), rootNumber);
    const std::array<std::pair<QString, QVariantList>, 3> rows{{
        {QStringLiteral("INSERT INTO Vardelin_Type (ID, PID, Number, Name) VALUES (1, -1, ?, ?)"),
         {rootNumber, QStringLiteral("全部分组")}},
        // No login on a first start; the root list is capped so start-up stays quick.
        {QStringLiteral("INSERT INTO Vardelin_System (ID, IsLogin, IsAllUser, IsExpanded, IsZip, "
                        "IsMax, IsTop) VALUES (1, 0, 0, 1, 0, 0, 1)"),
         {}},
        {QStringLiteral("INSERT INTO Vardelin_Login (ID, Name, Pass, Skin, Dock) "
                        "VALUES (1, ?, ?, ?, ?)"),
         {QStringLiteral("admin"), adminStored, QStringLiteral("Silver"), QString()}},
    }};
    for (const auto& [sql, values] : rows) {
        if (Status done = db.exec(sql, values); !done)
            return done;
    }
    return insertAliases(db);
}
