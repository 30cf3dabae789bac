// SPDX-License-Identifier: GPL-3.0-or-later
// The card's label and editor for every field of the field table, and the moves of values
// between them and a contact record.
#pragma once

#include "CardChoices.h"
#include "CardFields.h"
#include "ContactRecord.h"

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

class OptionalDateEdit;
class PhotoFrame;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

class CardEditors {
public:
    struct Entry {
        const CardField* field;
        QLabel* label; // null for the photo
        QWidget* editor;
    };

    // Makes every label and editor as children of parent; the window lays them out.
    explicit CardEditors(QWidget* parent);

    const std::vector<Entry>& entries() const { return m_entries; }
    QWidget* editor(QLatin1StringView control) const;
    PhotoFrame* photo() const { return m_photo; }
    QComboBox* groupList() const { return m_groups; }
    // Beside the birthday: its lunar date, and the mark that it is kept by that calendar.
    QLabel* lunarText() const { return m_lunarText; }
    QCheckBox* lunarBox() const { return m_lunarBox; }

    // The fills of the fixed lists (first item chosen) and of the stored values (none chosen).
    void fillSex();
    void fillGrade();
    void addDepartments(const QStringList& values);
    void addPosts(const QStringList& values);
    // Lists the groups and chooses groupId's entry; no entry for an ID that matches none.
    void fillGroups(const std::vector<CardChoices::Group>& groups, qint64 groupId);
    // Both date boxes unset, taking today's date when ticked.
    void showToday(QDate today);
    // The first ticked date box whose text is no real date; null when every one is readable.
    const Entry* firstDateThatIsNone() const;

    // Shows a stored contact; a value a control cannot take leaves it as it was, and a photo
    // that is not a decodable picture shows the empty picture.
    void load(const ContactRecord& record);
    // What the controls hold, the photo as a new picture bag; the group is the chosen entry's.
    ContactRecord gather() const;

private:
    QWidget* makeEditor(const CardField& field, QWidget* parent);
    void loadText(const CardField& field, QWidget* editor, const QString& text);
    QString textOf(const CardField& field, QWidget* editor) const;
    void makeLunarControls(QWidget* parent);
    void showLunarDate();

    std::vector<Entry> m_entries;
    QHash<QString, QWidget*> m_byControl;
    PhotoFrame* m_photo = nullptr;
    QComboBox* m_groups = nullptr;
    OptionalDateEdit* m_birthday = nullptr;
    QLabel* m_lunarText = nullptr;
    QCheckBox* m_lunarBox = nullptr;
    // The remarks as stored and as the box shows them: while the box still shows them so, the
    // stored text is written back, so what the box normalises (carriage returns) survives.
    struct LoadedMemo {
        QString stored;
        QString shown;
    };
    std::optional<LoadedMemo> m_loadedMemo;
};
