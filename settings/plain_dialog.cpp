#include "settings/plain_dialog.h"

#include <QKeyEvent>
#include <QPushButton>

PlainDialog::PlainDialog(QWidget* parent) : QDialog(parent) {}

void PlainDialog::NoDefaultButtons() {
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}

void PlainDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            event->accept();  // QDialog would reject and hide the window
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
                if (button->isEnabled()) button->click();
            }
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}
