#include "ui/base/CMEnable.h"

#include <QApplication>
#include <QMetaProperty>
#include <QWidget>

#include <algorithm>

namespace zox {

namespace {

bool HasEnabledProperty(const QObject* component)
{
    const QMetaObject* meta = component->metaObject();
    const int index = meta->indexOfProperty("enabled");
    return index >= 0 && meta->property(index).isWritable();
}

void SetComponentColor(QObject* component, const QColor& color)
{
    auto* widget = qobject_cast<QWidget*>(component);
    if (!widget || !color.isValid())
        return;
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), color);
    widget->setPalette(palette);
}

}  // namespace

TCMEnabler::TCMEnabler(QObject* parent) : QObject(parent) {}

QColor TCMEnabler::ComponentColor(const QObject* component)
{
    if (const auto* widget = qobject_cast<const QWidget*>(component))
        return widget->palette().color(QPalette::Active, widget->backgroundRole());
    return QApplication::palette().color(QPalette::Active, QPalette::Window);
}

void TCMEnabler::Add(QObject* component, const QString& groupName)
{
    TCMEnablerItem item;
    item.component_ = component;
    item.groupName_ = groupName;
    if (component) {
        item.color_ = ComponentColor(component);
        connect(component, &QObject::destroyed, this, &TCMEnabler::ComponentDestroyed, Qt::UniqueConnection);
    }
    items_.push_back(std::move(item));
}

void TCMEnabler::ComponentDestroyed(QObject* component)
{
    // The QPointer is already null here; items whose pointer went null are this component's.
    std::erase_if(items_, [component](const TCMEnablerItem& item) {
        return item.component_.isNull() || item.component_.data() == component;
    });
}

void TCMEnabler::EnableGroup(const QString& groupName) { SwitchGroup(groupName, true); }

void TCMEnabler::DisableGroup(const QString& groupName) { SwitchGroup(groupName, false); }

void TCMEnabler::SetAllEnabled(bool value)
{
    allEnabled_ = value;
    SwitchGroup(QString(), value);
}

void TCMEnabler::SwitchGroup(const QString& groupName, bool enable)
{
    for (TCMEnablerItem& item : items_) {
        QObject* component = item.component_.data();
        if (!component)
            continue;
        if (!groupName.isEmpty() && item.groupName_.compare(groupName, Qt::CaseInsensitive) != 0)
            continue;
        if (!HasEnabledProperty(component))
            continue;
        component->setProperty("enabled", enable);
        if (!useDisableColor_ || !qobject_cast<QWidget*>(component))
            continue;
        if (!enable) {
            // Remember the own colour only once: a second disable would otherwise
            // remember the disabled colour and the own one would be lost.
            if (!item.showsDisabledColor_)
                item.color_ = ComponentColor(component);
            SetComponentColor(component, disabledColor_);
            item.showsDisabledColor_ = true;
        } else {
            SetComponentColor(component, item.color_);
            item.showsDisabledColor_ = false;
        }
    }
}

}  // namespace zox
