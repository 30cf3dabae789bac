// SPDX-License-Identifier: GPL-3.0-or-later
// The contact card: creates, edits or copies one contact with all its fields and photo.
#pragma once

#include "CardEditors.h"
#include "CardRequest.h"

#include "db/DbError.h"
#include "db/RowVersion.h"

#include <QDialog>

#include <memory>
#include <optional>

class Database;
class FilesPage;
class HistoryPage;
class PicturesPage;
class Prompter;
class QTabWidget;
class QToolButton;
struct Session;
namespace ContactCard {
struct SaveRequest;
}

class frmCard : public QDialog {
    Q_OBJECT

public:
    // What the main window does once the card has closed.
    enum class Then { Nothing, NewCard, CopyCard };

    frmCard(Database& db, Session& session, Prompter& prompter, const CardRequest& request,
            QWidget* parent = nullptr);
    ~frmCard() override;

    // Checks, asks and writes the contact; true only when it was written, and then the card
    // has closed. Otherwise the card stays open with all its input.
    bool SaveCard();

    // A read that failed while the card was being filled; such a card is not to be shown, since
    // saving it would overwrite the stored contact with what could not be read.
    const std::optional<DbError>& loadError() const { return m_loadError; }
    bool saved() const { return m_saved; }
    Then then() const { return m_then; }
    // The contact the card was opened on (0 for a new card, the source for a copy).
    qint64 contactId() const { return m_id; }
    bool isEdit() const { return m_isEdit; }
    CardEditors& editors() { return *m_editors; }

    // Closing by the close box or Escape asks first; No keeps the card open.
    void reject() override;

private:
    void buildToolBar(QLayout* layout);
    QToolButton* addTool(QLayout* layout, const QString& objectName, const QString& tip,
                         const QIcon& icon);
    QWidget* buildBasicPage();
    QWidget* buildCustomPage();
    void setTabOrderByCard();
    void connectCommands();
    void loadCard();

    void GJSex();
    void GJGrade();
    void GJDept();
    void GJPost();
    void GJParent();

    // False, after saying which, when a ticked date box holds text that is no real date.
    bool datesReadable();
    // Writes the request, and asks what to do when the row changed or went meanwhile.
    bool writeCard(ContactCard::SaveRequest request);
    // Shows the contact as stored now, in place of what the user typed.
    void reloadCard();
    void saveAndNew();
    void copyToNew();
    void choosePhoto();
    // Ends the window without the close question.
    void closeQuietly(int result);

    Database& m_db;
    Session& m_session;
    Prompter& m_prompter;
    bool m_isEdit;
    qint64 m_id;
    qint64 m_tid;
    bool m_isCopy;

    std::unique_ptr<CardEditors> m_editors;
    QTabWidget* m_tabs = nullptr;
    PicturesPage* m_pictures = nullptr;
    FilesPage* m_files = nullptr;
    HistoryPage* m_historyPage = nullptr;
    std::optional<DbError> m_loadError;
    // What the edited row held when the card read it: a save checks it is still so.
    RowVersion::Version m_readAs;
    bool m_saved = false;
    bool m_closingFromCode = false;
    Then m_then = Then::Nothing;
};
