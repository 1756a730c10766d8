// SPDX-License-Identifier: MIT
// The platform layer over Qt 6 Widgets and Qt Multimedia.
#include "platform/qt/qt_platform.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>
#include <vector>

#include "board/wait_hook.h"
#include "platform/qt/event_queue.h"
#include "platform/qt/qt_sound.h"
#include "platform/qt/qt_widgets.h"

namespace tastomat {
namespace {

// A period below this would keep the loop busy; the desktop's own window
// timers have the same floor.
constexpr int minimumTimerPeriodMs = 10;

// The layout's fixed geometry was made for a compact dialog font of about 11
// pixels. The desktop's family is kept; its condensed face, where one is
// installed (DejaVu's is), lets the longer captions fit their controls.
constexpr int dialogFontPixels = 11;

QFont dialogFont() {
  QFont font = QApplication::font();
  font.setPixelSize(dialogFontPixels);
  font.setStretch(QFont::Condensed);
  return font;
}

// Set by the wait hook, so the next waitEvent wakes Qt's dispatcher: input held
// back during a blocking wait is otherwise handed over only when Qt's loop
// happens to wake for something else.
bool blockingWaitRan = false;

// The wait hook: paint, queue timer ticks and close requests; clicks and keys
// stay held in Qt's queue until the program waits for events again.
void processAllButInput() {
  if (QCoreApplication::instance() == nullptr) {
    return;
  }
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  blockingWaitRan = true;
}

void wakeDispatcher() {
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
    dispatcher->wakeUp();
  }
}

// Without a sound server Qt Multimedia prints its failure to connect. A missing
// device is an expected case here (startSound reports it), not a fault to show.
QtMessageHandler previousHandler = nullptr;

void filterSoundWarnings(QtMsgType type, const QMessageLogContext& context,
                         const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QLatin1String("PulseAudioService:"))) {
    return;
  }
  if (previousHandler != nullptr) {
    previousHandler(type, context, message);
  } else {
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
  }
}

Qt::WindowFlags flagsFor(FrameKind frame) {
  const Qt::WindowFlags titled = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  const Qt::WindowFlags closable = Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  switch (frame) {
    case FrameKind::TitleOnly:
      return Qt::Window | titled;
    case FrameKind::SystemMenu:
      return Qt::Dialog | titled | closable;
    case FrameKind::SystemMenuMinimise:
      return Qt::Window | titled | closable | Qt::WindowMinimizeButtonHint;
  }
  return Qt::Window | titled;
}

Qt::Alignment horizontalAlignment(Align align) {
  switch (align) {
    case Align::Left:
      return Qt::AlignLeft;
    case Align::Centre:
      return Qt::AlignHCenter;
    case Align::Right:
      return Qt::AlignRight;
  }
  return Qt::AlignLeft;
}

bool takesFocus(ControlKind kind) {
  switch (kind) {
    case ControlKind::PushButton:
    case ControlKind::PasswordField:
    case ControlKind::Slider:
    case ControlKind::CheckBox:
    case ControlKind::SpinBox:
      return true;
    case ControlKind::GroupFrame:
    case ControlKind::StaticText:
    case ControlKind::Image:
      return false;
  }
  return false;
}

// One line sits vertically centred, as in a row of the panel; several lines
// start at the top and wrap, so the first line is never cut off.
void showStaticText(QLabel* label, Align align, const QString& text) {
  const bool severalLines = text.contains(QLatin1Char('\n'));
  label->setWordWrap(severalLines);
  label->setAlignment(horizontalAlignment(align) |
                      (severalLines ? Qt::AlignTop : Qt::AlignVCenter));
  label->setText(text);
}

QImage decodeImage(std::span<const std::uint8_t> bytes) {
  QImage image;
  const auto* data = reinterpret_cast<const uchar*>(bytes.data());
  const int size = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
  if (size > 0 && !image.loadFromData(data, size, "BMP")) {
    image.loadFromData(data, size);  // any other format Qt knows, such as PNG
  }
  return image;
}

struct Control {
  ControlKind kind = ControlKind::StaticText;
  Align align = Align::Left;
  QWidget* widget = nullptr;  // owned by its window
};

struct Window {
  WindowId id = noWindow;
  std::unique_ptr<PlatformWindow> widget;
  std::map<int, Control> controls;
  QWidget* lastFocusable = nullptr;
  QPushButton* defaultButton = nullptr;
  std::map<int, std::unique_ptr<QTimer>> timers;  // destroyed before the widget
};

}  // namespace

struct QtPlatform::Impl {
  int ownArgc = 1;
  char programName[9] = "tastomat";
  char* ownArgv[2] = {programName, nullptr};
  std::unique_ptr<QApplication> ownApp;  // only when no QApplication existed
  // Everything below holds Qt objects and goes before the application does.
  std::vector<std::unique_ptr<Window>> windows;  // in the order they were opened
  WindowId lastWindowId = noWindow;
  EventQueue queue;
  QEventLoop* waitingLoop = nullptr;
  std::map<int, QPixmap> images;
  SoundPlayer sounds;

  void push(WindowId window, const Event& event) {
    queue.push(window, event);
    if (waitingLoop != nullptr) {
      waitingLoop->quit();
    }
  }

  Window* find(WindowId id) const {
    const auto found = std::find_if(windows.begin(), windows.end(),
                                    [id](const auto& window) { return window->id == id; });
    return found == windows.end() ? nullptr : found->get();
  }

  Control* control(int controlId) const {
    if (windows.empty()) {
      return nullptr;
    }
    auto& controls = windows.back()->controls;
    const auto found = controls.find(controlId);
    return found == controls.end() ? nullptr : &found->second;
  }

  QWidget* makeControl(Window& window, const ControlSpec& spec);
};

QWidget* QtPlatform::Impl::makeControl(Window& window, const ControlSpec& spec) {
  QWidget* parent = window.widget.get();
  const auto report = [this, windowId = window.id, id = spec.id] {
    push(windowId, Event{EventKind::Control, id, 0});
  };
  switch (spec.kind) {
    case ControlKind::GroupFrame: {
      // An etched rectangle with the caption set into its top edge, as a
      // dialog frame looks; the style's own group box puts it above the line.
      auto* frame = new QGroupBox(toScreenText(spec.text), parent);
      frame->setStyleSheet(
          "QGroupBox { border: 2px groove palette(mid); margin-top: 7px; }"
          "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
          " left: 6px; padding: 0 2px; background-color: palette(window); }");
      return frame;
    }
    case ControlKind::StaticText: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      if (spec.sunken) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(1);
      }
      showStaticText(label, spec.align, toScreenText(spec.text));
      return label;
    }
    case ControlKind::PushButton: {
      auto* button = new QPushButton(toScreenText(spec.text), parent);
      if (spec.defaultButton) {
        button->setDefault(true);
        button->setAutoDefault(true);
        window.defaultButton = button;
      }
      QObject::connect(button, &QPushButton::clicked, report);
      return button;
    }
    case ControlKind::PasswordField: {
      auto* field = new QLineEdit(toScreenText(spec.text), parent);
      field->setEchoMode(QLineEdit::Password);
      QObject::connect(field, &QLineEdit::textEdited, report);
      // Default buttons work by themselves only in a QDialog; the program's
      // windows are plain, so Enter in a field presses the window's default button.
      QObject::connect(field, &QLineEdit::returnPressed, [&window] {
        if (window.defaultButton != nullptr && window.defaultButton->isEnabled()) {
          window.defaultButton->click();
        }
      });
      return field;
    }
    case ControlKind::Slider: {
      auto* slider = new QSlider(Qt::Horizontal, parent);
      slider->setRange(spec.rangeMin, spec.rangeMax);
      slider->setPageStep(std::max(1, (spec.rangeMax - spec.rangeMin) / 5));
      slider->setValue(spec.value);
      QObject::connect(slider, &QSlider::valueChanged, report);
      return slider;
    }
    case ControlKind::CheckBox: {
      auto* box = new WholeCheckBox(toScreenText(spec.text), parent);
      box->setChecked(spec.value != 0);
      QObject::connect(box, &QCheckBox::clicked, report);
      return box;
    }
    case ControlKind::SpinBox: {
      auto* spin = new QSpinBox(parent);
      spin->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      spin->setRange(spec.rangeMin, spec.rangeMax);
      spin->setValue(spec.value);
      QObject::connect(spin, &QSpinBox::valueChanged, report);
      return spin;
    }
    case ControlKind::Image: {
      auto* image = new ImageLabel(parent);
      image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      image->onClick = report;
      return image;
    }
  }
  return nullptr;
}

QtPlatform::QtPlatform() : impl_(std::make_unique<Impl>()) {
  if (QApplication::instance() == nullptr) {
    impl_->ownApp = std::make_unique<QApplication>(impl_->ownArgc, impl_->ownArgv);
  }
  QApplication::setQuitOnLastWindowClosed(false);  // an early quit would end every wait at once
  previousHandler = qInstallMessageHandler(filterSoundWarnings);
  setWaitHook(processAllButInput);
}

QtPlatform::QtPlatform(int& argc, char** argv) : impl_(std::make_unique<Impl>()) {
  if (QApplication::instance() == nullptr) {
    impl_->ownApp = std::make_unique<QApplication>(argc, argv);
  }
  QApplication::setQuitOnLastWindowClosed(false);
  previousHandler = qInstallMessageHandler(filterSoundWarnings);
  setWaitHook(processAllButInput);
}

QtPlatform::~QtPlatform() {
  shutdown();
  qInstallMessageHandler(previousHandler);
}

void QtPlatform::setEnabled(int controlId, bool enabled) {
  Control* control = impl_->control(controlId);
  if (control == nullptr) {
    return;
  }
  if (enabled && !control->widget->isEnabled()) {
    // A click made on the control while it was disabled is still held in Qt's
    // queue. Hand held input over now, while a disabled control drops it; the
    // clicks on other controls go into the queue in their order.
    wakeDispatcher();
    QCoreApplication::processEvents();
  }
  control->widget->setEnabled(enabled);
}

void QtPlatform::setText(int controlId, const std::string& text) {
  Control* control = impl_->control(controlId);
  if (control == nullptr) {
    return;
  }
  const QString screen = toScreenText(text);
  QWidget* widget = control->widget;
  switch (control->kind) {
    case ControlKind::StaticText: {
      // The loop rewrites the press-duration label every pass; an unchanged
      // text must not cost a repaint of an idle window.
      auto* label = static_cast<QLabel*>(widget);
      if (label->text() != screen) {
        showStaticText(label, control->align, screen);
      }
      break;
    }
    case ControlKind::GroupFrame:
      static_cast<QGroupBox*>(widget)->setTitle(screen);
      break;
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
      static_cast<QAbstractButton*>(widget)->setText(screen);
      break;
    case ControlKind::PasswordField: {
      const QSignalBlocker quiet(widget);
      static_cast<QLineEdit*>(widget)->setText(screen);
      break;
    }
    case ControlKind::Slider:
    case ControlKind::SpinBox:
    case ControlKind::Image:
      break;
  }
}

void QtPlatform::setTextColour(int controlId, Rgb colour) {
  Control* control = impl_->control(controlId);
  if (control == nullptr) {
    return;
  }
  const QColor qcolour(colour.r, colour.g, colour.b);
  QPalette palette = control->widget->palette();
  for (const QPalette::ColorRole role :
       {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Active, role, qcolour);
    palette.setColor(QPalette::Inactive, role, qcolour);
  }
  control->widget->setPalette(palette);
}

WindowId QtPlatform::openWindow(int clientWidth, int clientHeight, const std::string& title,
                                FrameKind frame) {
  if (clientWidth <= 0 || clientHeight <= 0) {
    return noWindow;
  }
  auto window = std::make_unique<Window>();
  window->id = ++impl_->lastWindowId;
  window->widget = std::make_unique<PlatformWindow>(flagsFor(frame));
  PlatformWindow* widget = window->widget.get();
  widget->setWindowTitle(toScreenText(title));
  widget->setAttribute(Qt::WA_AlwaysShowToolTips);
  widget->setFont(dialogFont());
  widget->setFixedSize(clientWidth, clientHeight);
  QRect area(0, 0, clientWidth, clientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    area.moveCenter(screen->availableGeometry().center());
  }
  widget->setGeometry(area);
  if (frame != FrameKind::TitleOnly) {
    // A window without a close box cannot be closed by the user: Alt+F4 on it
    // is refused and not reported, so it cannot end the next window's loop.
    widget->onCloseRequest = [impl = impl_.get(), id = window->id] {
      impl->push(id, Event{EventKind::CloseRequest, 0, 0});
    };
  }
  widget->show();
  widget->activateWindow();
  impl_->windows.push_back(std::move(window));
  return impl_->lastWindowId;
}

void QtPlatform::closeWindow(WindowId window) {
  auto& windows = impl_->windows;
  const auto found = std::find_if(windows.begin(), windows.end(),
                                  [window](const auto& w) { return w->id == window; });
  if (found == windows.end()) {
    return;
  }
  (*found)->timers.clear();
  (*found)->widget->hide();
  windows.erase(found);
  impl_->queue.dropWindow(window);
}

void QtPlatform::setWindowIcon(WindowId window, std::span<const std::uint8_t> bmp) {
  Window* target = impl_->find(window);
  const QImage image = decodeImage(bmp);
  if (target != nullptr && !image.isNull()) {
    target->widget->setWindowIcon(QIcon(QPixmap::fromImage(image)));
  }
}

void QtPlatform::addControl(WindowId window, const ControlSpec& spec) {
  Window* target = impl_->find(window);
  if (target == nullptr) {
    return;
  }
  QWidget* widget = impl_->makeControl(*target, spec);
  if (widget == nullptr) {
    return;
  }
  QRect geometry(spec.x, spec.y, spec.w, spec.h);
  if (spec.kind == ControlKind::Image) {
    // The control takes the size of its picture; without one it keeps its own.
    const auto image = impl_->images.find(spec.imageNumber);
    if (image != impl_->images.end()) {
      static_cast<QLabel*>(widget)->setPixmap(image->second);
      geometry.setSize(image->second.size());
    }
  }
  widget->setGeometry(geometry);
  if (!spec.tooltip.empty()) {
    widget->setToolTip(literalToolTip(spec.tooltip));
  }
  if (takesFocus(spec.kind)) {
    widget->setFocusPolicy(Qt::StrongFocus);
    if (target->lastFocusable != nullptr) {
      QWidget::setTabOrder(target->lastFocusable, widget);
    }
    target->lastFocusable = widget;
  } else {
    widget->setFocusPolicy(Qt::NoFocus);
  }
  widget->show();
  target->controls[spec.id] = Control{spec.kind, spec.align, widget};
}

void QtPlatform::setFlickerFree(WindowId /*window*/) {
  // Nothing to switch on: Qt paints every window through a double-buffered
  // backing store and never paints a parent's background over its children.
  // WA_OpaquePaintEvent would be wrong here: the window would not paint its
  // background at all.
}

void QtPlatform::armTimer(WindowId window, int timerId, int periodMs) {
  Window* target = impl_->find(window);
  if (target == nullptr) {
    return;
  }
  std::unique_ptr<QTimer>& timer = target->timers[timerId];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::PreciseTimer);  // coarse timers may fire 5 % early
    QObject::connect(timer.get(), &QTimer::timeout, [impl = impl_.get(), window, timerId] {
      impl->push(window, Event{EventKind::TimerTick, 0, timerId});
    });
  }
  timer->start(std::max(periodMs, minimumTimerPeriodMs));
}

void QtPlatform::removeTimer(WindowId window, int timerId) {
  if (Window* target = impl_->find(window)) {
    target->timers.erase(timerId);
    impl_->queue.dropTick(window, timerId);
  }
}

std::string QtPlatform::text(int controlId) {
  const Control* control = impl_->control(controlId);
  if (control == nullptr) {
    return {};
  }
  QWidget* widget = control->widget;
  switch (control->kind) {
    case ControlKind::StaticText:
      return fromScreenText(static_cast<QLabel*>(widget)->text());
    case ControlKind::GroupFrame:
      return fromScreenText(static_cast<QGroupBox*>(widget)->title());
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
      return fromScreenText(static_cast<QAbstractButton*>(widget)->text());
    case ControlKind::PasswordField:
      return static_cast<QLineEdit*>(widget)->text().toStdString();
    case ControlKind::SpinBox:
      return static_cast<QSpinBox*>(widget)->text().toStdString();
    case ControlKind::Slider:
    case ControlKind::Image:
      return {};
  }
  return {};
}

int QtPlatform::state(int controlId) {
  const Control* control = impl_->control(controlId);
  if (control == nullptr) {
    return 0;
  }
  switch (control->kind) {
    case ControlKind::Slider:
      return static_cast<QSlider*>(control->widget)->value();
    case ControlKind::SpinBox:
      return static_cast<QSpinBox*>(control->widget)->value();
    case ControlKind::CheckBox:
      return static_cast<QCheckBox*>(control->widget)->isChecked() ? 1 : 0;
    default:
      return 0;
  }
}

void QtPlatform::setState(int controlId, int value) {
  const Control* control = impl_->control(controlId);
  if (control == nullptr) {
    return;
  }
  const QSignalBlocker quiet(control->widget);  // a value set by the program is no user event
  switch (control->kind) {
    case ControlKind::Slider:
      static_cast<QSlider*>(control->widget)->setValue(value);
      break;
    case ControlKind::SpinBox:
      static_cast<QSpinBox*>(control->widget)->setValue(value);
      break;
    case ControlKind::CheckBox:
      static_cast<QCheckBox*>(control->widget)->setChecked(value != 0);
      break;
    default:
      break;
  }
}

void QtPlatform::setFocus(int controlId) {
  if (const Control* control = impl_->control(controlId)) {
    control->widget->setFocus(Qt::OtherFocusReason);
  }
}

Event QtPlatform::waitEvent(int timeoutMs) {
  QElapsedTimer elapsed;
  elapsed.start();
  if (blockingWaitRan) {
    blockingWaitRan = false;
    wakeDispatcher();
  }
  if (impl_->queue.empty()) {
    QCoreApplication::processEvents();
  }
  const qint64 leftMs = timeoutMs - elapsed.elapsed();
  if (impl_->queue.empty() && leftMs > 0) {
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(static_cast<int>(leftMs));
    impl_->waitingLoop = &loop;
    loop.exec();
    impl_->waitingLoop = nullptr;
  }
  return impl_->queue.pop();
}

void QtPlatform::messageBox(const std::string& title, const std::string& text) {
  QWidget* owner = impl_->windows.empty() ? nullptr : impl_->windows.back()->widget.get();
  QMessageBox box(owner);
  box.setIcon(QMessageBox::NoIcon);
  box.setWindowTitle(toScreenText(title));
  box.setTextFormat(Qt::PlainText);
  box.setText(toScreenText(text));
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

bool QtPlatform::startSound() {
  return impl_->sounds.start();
}

bool QtPlatform::loadSound(int number, std::span<const std::uint8_t> wav) {
  return impl_->sounds.load(number, wav);
}

void QtPlatform::playSound(int number) {
  impl_->sounds.play(number);
}

bool QtPlatform::loadImage(int number, std::span<const std::uint8_t> bmp) {
  const QImage image = decodeImage(bmp);
  if (image.isNull()) {
    impl_->images.erase(number);
    return false;
  }
  impl_->images[number] = QPixmap::fromImage(image);
  return true;
}

void QtPlatform::openUrl(const std::string& url) {
  QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void QtPlatform::shutdown() {
  for (const auto& window : impl_->windows) {
    window->timers.clear();
  }
  impl_->windows.clear();
  impl_->queue.clear();
  impl_->images.clear();
  impl_->sounds.clear();
  if (waitHook() == processAllButInput) {
    setWaitHook(nullptr);
  }
}

QWidget* QtPlatform::windowWidget(WindowId window) const {
  const Window* target = impl_->find(window);
  return target == nullptr ? nullptr : target->widget.get();
}

QWidget* QtPlatform::controlWidget(int controlId) const {
  const Control* control = impl_->control(controlId);
  return control == nullptr ? nullptr : control->widget;
}

}  // namespace tastomat
