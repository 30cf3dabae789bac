// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardEditors.h"

#include "db/LunarDate.h"
#include "OptionalDateEdit.h"
#include "PhotoFrame.h"
#include "db/PictureBag.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <limits>

namespace {

QString accessibleLabel(const CardField& field)
{
    QString label = QString::fromUtf16(field.label);
    if (label.endsWith(u'：'))
        label.chop(1);
    return label;
}

QComboBox* makeList(QWidget* parent, bool editable)
{
    auto* combo = new QComboBox(parent);
    combo->setEditable(editable);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(6);
    if (editable)
        combo->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    return combo;
}

// toPlainText would turn non-breaking spaces into plain ones.
QString memoText(const QPlainTextEdit* memo)
{
    return memo->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

} // namespace

CardEditors::CardEditors(QWidget* parent)
{
    for (const CardField& field : CardFields::all) {
        QWidget* editor = makeEditor(field, parent);
        editor->setObjectName(QString(field.control));
        QLabel* label = nullptr;
        if (field.editor != CardField::Editor::Picture) {
            label = new QLabel(QString::fromUtf16(field.label), parent);
            label->setBuddy(editor);
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (field.editor == CardField::Editor::Memo)
                label->setAlignment(Qt::AlignRight | Qt::AlignTop);
            editor->setAccessibleName(accessibleLabel(field));
        }
        m_entries.push_back({&field, label, editor});
        m_byControl.insert(QString(field.control), editor);
    }
    makeLunarControls(parent);
}

void CardEditors::makeLunarControls(QWidget* parent)
{
    m_birthday = static_cast<OptionalDateEdit*>(editor(QLatin1StringView("Edit_Birthday")));
    m_lunarText = new QLabel(parent);
    m_lunarText->setObjectName(QStringLiteral("Label_Lunar"));
    m_lunarBox = new QCheckBox(QStringLiteral("农历生日"), parent);
    m_lunarBox->setObjectName(QStringLiteral("Edit_LunarBirthday"));
    m_lunarBox->setToolTip(QStringLiteral("勾选表示按农历过生日，提醒按今年的农历日期"));
    m_lunarBox->setEnabled(false);
    QObject::connect(m_birthday, &OptionalDateEdit::dateChanged, m_lunarBox,
                     [this] { showLunarDate(); });
}

void CardEditors::showLunarDate()
{
    const std::optional<QDate> birthday = m_birthday->date();
    const std::optional<LunarDate::Day> lunar = birthday ? LunarDate::of(*birthday) : std::nullopt;
    m_lunarText->setText(lunar ? LunarDate::text(*lunar) : QString());
    m_lunarBox->setEnabled(birthday.has_value());
}

QWidget* CardEditors::makeEditor(const CardField& field, QWidget* parent)
{
    switch (field.editor) {
    case CardField::Editor::SexList:
    case CardField::Editor::GradeList:
        return makeList(parent, false);
    case CardField::Editor::GroupList:
        m_groups = makeList(parent, false);
        m_groups->setMinimumContentsLength(10);
        return m_groups;
    case CardField::Editor::EditableList:
        return makeList(parent, true);
    case CardField::Editor::Date: {
        auto* date = new OptionalDateEdit(parent);
        date->checkBox()->setAccessibleName(accessibleLabel(field) + QStringLiteral("有日期"));
        date->textBox()->setAccessibleName(accessibleLabel(field));
        return date;
    }
    case CardField::Editor::Memo: {
        auto* memo = new QPlainTextEdit(parent);
        memo->setTabChangesFocus(true);
        // Three rows at least; a taller window gives the remarks the room.
        memo->setMinimumHeight(memo->fontMetrics().lineSpacing() * 3 +
                               2 * (memo->frameWidth() + int(memo->document()->documentMargin())) +
                               2);
        return memo;
    }
    case CardField::Editor::Picture:
        m_photo = new PhotoFrame(parent);
        return m_photo;
    case CardField::Editor::Line:
        break;
    }
    auto* line = new QLineEdit(parent);
    // The stored text is never cut to the box's default limit.
    line->setMaxLength(std::numeric_limits<int>::max());
    return line;
}

QWidget* CardEditors::editor(QLatin1StringView control) const
{
    return m_byControl.value(QString(control));
}

const CardEditors::Entry* CardEditors::firstDateThatIsNone() const
{
    for (const Entry& entry : m_entries) {
        if (entry.field->editor == CardField::Editor::Date &&
            static_cast<const OptionalDateEdit*>(entry.editor)->holdsNoDate())
            return &entry;
    }
    return nullptr;
}

void CardEditors::fillSex()
{
    auto* sex = static_cast<QComboBox*>(editor(QLatin1StringView("Edit_Sex")));
    sex->clear();
    sex->addItems({QStringLiteral("男"), QStringLiteral("女")});
    sex->setCurrentIndex(0);
}

void CardEditors::fillGrade()
{
    auto* grade = static_cast<QComboBox*>(editor(QLatin1StringView("Edit_Grade")));
    grade->clear();
    for (int stars = 1; stars <= 5; ++stars)
        grade->addItem(QString::number(stars) + u'星');
    grade->setCurrentIndex(0);
}

void CardEditors::addDepartments(const QStringList& values)
{
    auto* combo = static_cast<QComboBox*>(editor(QLatin1StringView("Edit_Deptment")));
    combo->addItems(values);
    combo->setCurrentIndex(-1);
}

void CardEditors::addPosts(const QStringList& values)
{
    auto* combo = static_cast<QComboBox*>(editor(QLatin1StringView("Edit_Post")));
    combo->addItems(values);
    combo->setCurrentIndex(-1);
}

void CardEditors::fillGroups(const std::vector<CardChoices::Group>& groups, qint64 groupId)
{
    m_groups->clear();
    int chosen = -1;
    for (const CardChoices::Group& group : groups) {
        if (group.id == groupId)
            chosen = m_groups->count();
        m_groups->addItem(group.name, group.id);
    }
    m_groups->setCurrentIndex(chosen);
}

void CardEditors::showToday(QDate today)
{
    for (const Entry& entry : m_entries) {
        if (entry.field->editor == CardField::Editor::Date) {
            auto* date = static_cast<OptionalDateEdit*>(entry.editor);
            date->setShownDate(today);
            date->setDate(std::nullopt);
        }
    }
}

void CardEditors::load(const ContactRecord& record)
{
    m_loadedMemo.reset();
    m_lunarBox->setChecked(record.lunarBirthday);
    for (const Entry& entry : m_entries) {
        const CardField& field = *entry.field;
        const QString column(field.column);
        if (column.isEmpty())
            continue;
        switch (field.editor) {
        case CardField::Editor::GroupList:
            break; // chosen by fillGroups
        case CardField::Editor::Date:
            if (record.dates.contains(column))
                static_cast<OptionalDateEdit*>(entry.editor)->setDate(record.dates.value(column));
            break;
        case CardField::Editor::Picture: {
            const auto picture = PictureBag::pictureOf(record.photo);
            if (!picture || !m_photo->setPicture(*picture))
                m_photo->clear();
            break;
        }
        default:
            if (record.texts.contains(column))
                loadText(field, entry.editor, record.texts.value(column));
            break;
        }
    }
}

void CardEditors::loadText(const CardField& field, QWidget* editor, const QString& text)
{
    switch (field.editor) {
    case CardField::Editor::SexList:
    case CardField::Editor::GradeList: {
        // A stored value that is not one of the list's items keeps the first item.
        auto* list = static_cast<QComboBox*>(editor);
        const int index = list->findText(text, Qt::MatchExactly);
        if (index >= 0)
            list->setCurrentIndex(index);
        return;
    }
    case CardField::Editor::EditableList:
        static_cast<QComboBox*>(editor)->setEditText(text);
        return;
    case CardField::Editor::Memo: {
        auto* memo = static_cast<QPlainTextEdit*>(editor);
        memo->setPlainText(text);
        m_loadedMemo = {text, memoText(memo)};
        return;
    }
    default:
        static_cast<QLineEdit*>(editor)->setText(text);
        return;
    }
}

QString CardEditors::textOf(const CardField& field, QWidget* editor) const
{
    switch (field.editor) {
    case CardField::Editor::SexList:
    case CardField::Editor::GradeList:
        return static_cast<QComboBox*>(editor)->currentText();
    case CardField::Editor::EditableList:
        return static_cast<QComboBox*>(editor)->currentText();
    case CardField::Editor::Memo: {
        const QString shown = memoText(static_cast<QPlainTextEdit*>(editor));
        return m_loadedMemo && shown == m_loadedMemo->shown ? m_loadedMemo->stored : shown;
    }
    default:
        return static_cast<QLineEdit*>(editor)->text();
    }
}

ContactRecord CardEditors::gather() const
{
    ContactRecord record;
    record.groupId = m_groups->currentIndex() >= 0 ? m_groups->currentData().toLongLong() : 0;
    for (const Entry& entry : m_entries) {
        const CardField& field = *entry.field;
        const QString column(field.column);
        if (column.isEmpty() || field.editor == CardField::Editor::GroupList)
            continue;
        switch (field.editor) {
        case CardField::Editor::Date:
            record.dates.insert(column, static_cast<OptionalDateEdit*>(entry.editor)->date());
            break;
        case CardField::Editor::Picture:
            record.photo = PictureBag::ofPicture(m_photo->pictureBytes());
            break;
        default:
            record.texts.insert(column, textOf(field, entry.editor));
            break;
        }
    }
    record.lunarBirthday = m_lunarBox->isChecked() && m_birthday->date().has_value();
    return record;
}
