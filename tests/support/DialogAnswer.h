#pragma once
// Answers every configuration dialog of kind D that is shown modally while this object lives; brings
// the controls the dialog tests reach into.

#include "editors/ModalDialog.h"

#include "TestUtil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include <functional>

template <typename D> struct Answer {
    explicit Answer(std::function<void(D&)> action) {
        editors::ModalDialog::setAnswer([action](editors::ModalDialog& d) {
            auto* dialog = qobject_cast<D*>(&d);
            if (!dialog) {
                ADD_FAILURE() << "unexpected dialog " << d.objectName().toStdString();
                d.reject();
                return;
            }
            action(*dialog);
        });
    }
    ~Answer() { editors::ModalDialog::setAnswer({}); }
    Answer(const Answer&) = delete;
    Answer& operator=(const Answer&) = delete;
};

// Opens a configuration dialog (its edit()) and answers it with `action`; gives its result.
template <typename D, typename Action> auto editAnswered(D& dialog, Action action) {
    Answer<D> answer(std::move(action));
    return dialog.edit();
}
