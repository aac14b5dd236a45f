// The yardstick for the program's start-up: a plain Qt window holding the same kinds
// of controls at the same places, with nothing of the program's own (no fonts, icon,
// styles, accessibility or clipboard handling).
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QString>
#include <QWidget>
#include <map>
#include <string_view>

#include "window/layout.h"

namespace {

using tintcast::platform::ControlKind;
using tintcast::platform::ControlSpec;
using tintcast::platform::TwipRect;

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* Plain(const ControlSpec& spec, QWidget* parent) {
    const QString caption = Text(spec.caption);
    switch (spec.kind) {
        case ControlKind::Frame: {
            auto* frame = new QFrame(parent);
            frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
            return frame;
        }
        case ControlKind::Button:
        case ControlKind::ColorButton:
            return new QPushButton(caption, parent);
        case ControlKind::Option:
            return new QRadioButton(caption, parent);
        case ControlKind::CheckBox:
            return new QCheckBox(caption, parent);
        case ControlKind::VScrollBar:
            return new QScrollBar(Qt::Vertical, parent);
        case ControlKind::TextBox:
        case ControlKind::Swatch:
            return new QLineEdit(parent);
        case ControlKind::Label:
        case ControlKind::Image:
            return new QLabel(caption, parent);
    }
    return nullptr;
}

// At 96 dots per inch, as the program's window sees the screen here.
int Px(int twips) {
    return tintcast::platform::TwipsToPixels(twips, 96);
}

QRect Pixels(const TwipRect& place) {
    return {Px(place.left), Px(place.top), Px(place.width), Px(place.height)};
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const auto spec = tintcast::window::MainFormSpec();
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.setFixedSize(Px(spec.clientWidth), Px(spec.clientHeight));
    std::map<std::string_view, QWidget*> frames;
    for (const ControlSpec& control : spec.controls) {
        QWidget* parent = control.parent.empty() ? &window : frames.at(control.parent);
        QWidget* widget = Plain(control, parent);
        widget->setGeometry(Pixels(control.place));
        if (control.kind == ControlKind::Frame) {
            frames[control.name] = widget;
        }
    }
    window.show();
    return QApplication::exec();
}
