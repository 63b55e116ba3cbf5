// Driving the node dialogs as a user would: typing into a line edit or an
// SQL editor, picking an entry of a drop-down list with the keyboard, and
// acting on the modal dialog that a call is about to open.
#ifndef VOSTREL_TESTS_UI_SUPPORT_DIALOG_DRIVING_H_
#define VOSTREL_TESTS_UI_SUPPORT_DIALOG_DRIVING_H_

#include <functional>
#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "ui/sql_editor.h"

namespace ui_testing {

// Replaces the text of `edit` by typing `text`.
inline void typeInto(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

// Replaces the text of `editor` by typing `text`; "\n" is typed as Return.
inline void typeInto(ui::SqlEditor* editor, const QString& text) {
  editor->setFocus();
  editor->selectAll();
  QTest::keyClick(editor, Qt::Key_Delete);
  for (const QChar c : text) {
    if (c == QLatin1Char('\n')) {
      QTest::keyClick(editor, Qt::Key_Return);
    } else {
      QTest::keyClicks(editor, QString(c));
    }
  }
}

// Clicks a check box or radio button on its indicator (its middle may lie
// beyond its text, where a click does nothing).
inline void clickBox(QAbstractButton* box) {
  QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
}

// Selects entry `index` of a drop-down list with Home and Down.
inline void pickEntry(QComboBox* box, int index) {
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Home);
  for (int i = 0; i < index; ++i) QTest::keyClick(box, Qt::Key_Down);
}

// Calls `act` with the modal dialog of type T once it is open (polling the
// event loop that runs it for up to five seconds).
template <typename T>
void whenModal(std::function<void(T&)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  auto tries = std::make_shared<int>(1000);
  QObject::connect(timer, &QTimer::timeout, [timer, act, tries] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if ((dialog == nullptr || !dialog->isVisible()) && --*tries > 0) return;
    timer->stop();
    timer->deleteLater();
    if (dialog != nullptr) act(*dialog);
  });
  timer->start();
}

}  // namespace ui_testing

#endif  // VOSTREL_TESTS_UI_SUPPORT_DIALOG_DRIVING_H_
