// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: title, version, description, our contact line, link and notice.
#pragma once

#include <QDialog>
#include <QUrl>

class AboutDesktop;
class Prompter;
class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT

public:
    frmAbout(Prompter& prompter, AboutDesktop& desktop, QWidget* parent = nullptr);

    // The address Label2 shows and opens.
    static QUrl webSite();

    // Starts the desktop's system-information program, or says there is none.
    void StartSysInfo();

private:
    void Label2_Click();

    Prompter& m_prompter;
    AboutDesktop& m_desktop;

    QLabel* m_icon;
    QLabel* m_title;
    QLabel* m_version;
    QLabel* m_description;
    QLabel* m_contact;
    QLabel* m_link;
    QLabel* m_disclaimer;
    QPushButton* m_ok;
    QPushButton* m_sysInfo;
};
