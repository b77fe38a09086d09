#pragma once

#include "platform/Dialogs.h"

class QWidget;

// The window's message boxes: modal, they wait for the operator.
class MessageBoxDialogs : public Dialogs {
public:
    explicit MessageBoxDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void showMessage(const QString& text) override;

private:
    QWidget* parent_;
};
