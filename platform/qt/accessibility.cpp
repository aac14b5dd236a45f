#include "platform/qt/accessibility.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

#include "platform/qt/controls.h"

namespace tintcast::platform::qt {

namespace {

class BarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit BarAccessible(FormScrollBar* bar) : QAccessibleWidget(bar, QAccessible::ScrollBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text which) const override {
        if (which == QAccessible::Value) {
            return QString::number(bar()->formValue());
        }
        return QAccessibleWidget::text(which);
    }
    QVariant currentValue() const override { return int{bar()->formValue()}; }
    void setCurrentValue(const QVariant& value) override {
        bar()->setFormValue(static_cast<std::int16_t>(value.toInt()));
    }
    QVariant maximumValue() const override { return bar()->formMaximum(); }
    QVariant minimumValue() const override { return bar()->formMinimum(); }
    QVariant minimumStepSize() const override { return bar()->formStep(); }

private:
    FormScrollBar* bar() const { return static_cast<FormScrollBar*>(widget()); }
};

QAccessibleInterface* FormAccessibleFactory(const QString& className, QObject* object) {
    if (auto* bar = qobject_cast<FormScrollBar*>(object)) {
        return new BarAccessible(bar);
    }
    // A frame groups the controls inside it, and a plain top-level widget is a window
    // with a title: without these roles both would be anonymous fillers.
    if (auto* frame = qobject_cast<FrameBox*>(object)) {
        return new QAccessibleWidget(frame, QAccessible::Grouping);
    }
    if (className == QLatin1String("QWidget") && object->isWidgetType() &&
        static_cast<QWidget*>(object)->isWindow()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    return nullptr;
}

}  // namespace

void InstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(FormAccessibleFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace tintcast::platform::qt
