#pragma once
// Answers every configuration dialog of kind D that is shown modally while this object lives.

#include "editors/ModalDialog.h"

#include <gtest/gtest.h>

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
