// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListEnterKey.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>

namespace {

bool isEnter(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The key reaches the dialog after its focused list has run the row's command: the list
// ignores the key, and Qt hands an ignored key to each parent in turn.
class EnterFilter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!isEnter(event))
            return false;
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog == nullptr)
            return false;
        const auto* list = qobject_cast<const QAbstractItemView*>(dialog->focusWidget());
        // A list without a current row did nothing with the key: the dialog may use it.
        return list != nullptr && list->currentIndex().isValid();
    }
};

} // namespace

void ListEnterKey::install(QApplication& app)
{
    static const QLatin1StringView name("ListEnterKey");
    if (app.findChild<EnterFilter*>(name, Qt::FindDirectChildrenOnly) != nullptr)
        return;
    auto* filter = new EnterFilter(&app);
    filter->setObjectName(name);
    app.installEventFilter(filter);
}
