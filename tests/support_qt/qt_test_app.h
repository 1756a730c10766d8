// SPDX-License-Identifier: MIT
// Shared fixture for window tests: one offscreen QApplication per test process,
// and input that arrives through the window system queue as a real mouse does.
#pragma once

class QWidget;

namespace tastomat {

// Makes the process's QApplication on first use; it is destroyed when the tests
// end. Unless set already, the offscreen platform is chosen and XDG_RUNTIME_DIR
// points to a private folder.
void ensureQtApplication();

// A left click on the centre of the widget, queued as the window system queues
// it: delivered when Qt next processes user input, not now. A wait hook that
// excludes user input therefore holds it back, as it holds a real click.
void queueClick(QWidget* widget);

// Presses OK of the modal box that will show next, after delayMs.
void acceptNextModalBox(int delayMs);

}  // namespace tastomat
