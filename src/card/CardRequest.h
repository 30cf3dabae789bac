// SPDX-License-Identifier: GPL-3.0-or-later
// How the main window asks for a contact card.
#pragma once

#include <QtGlobal>

struct CardRequest {
    // Edit (or, with isCopy, copy) the stored contact id; otherwise a new contact.
    bool isEdit = false;
    qint64 id = 0;
    // The group a new card preselects; an edited contact's own group wins.
    qint64 tid = 0;
    // Load contact id, then save it as a new contact.
    bool isCopy = false;
};
