#pragma once
// Named groups of controls and menu items, enabled and disabled together by group name.

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

namespace zox {

class TCMEnablerItem {
public:
    QObject* Component() const { return component_; }
    const QString& GroupName() const { return groupName_; }
    // The component's own colour, given back when the group is enabled again.
    const QColor& Color() const { return color_; }

private:
    friend class TCMEnabler;
    QPointer<QObject> component_;
    QString groupName_;
    QColor color_;
    bool showsDisabledColor_ = false;
};

class TCMEnabler : public QObject {
    Q_OBJECT
public:
    explicit TCMEnabler(QObject* parent = nullptr);

    // Adds `component` (a widget, an action, or anything with an "enabled" property) to
    // the group `groupName`; the item remembers the component's colour now.
    void Add(QObject* component, const QString& groupName);
    const std::vector<TCMEnablerItem>& ActionItems() const { return items_; }

    // Switch every item of the group; group names compare without regard to case. An
    // empty name means every item.
    void EnableGroup(const QString& groupName);
    void DisableGroup(const QString& groupName);

    bool AllEnabled() const { return allEnabled_; }
    void SetAllEnabled(bool value);  // switches every item, whatever its group

    QColor DisabledColor() const { return disabledColor_; }
    void SetDisabledColor(const QColor& color) { disabledColor_ = color; }
    bool UseDisableColor() const { return useDisableColor_; }
    void SetUseDisableColor(bool value) { useDisableColor_ = value; }

    // A component's colour, as the group switch sees it: a widget's background colour;
    // the window colour for anything without one.
    static QColor ComponentColor(const QObject* component);

private:
    void SwitchGroup(const QString& groupName, bool enable);
    void ComponentDestroyed(QObject* component);

    std::vector<TCMEnablerItem> items_;
    bool allEnabled_ = false;
    QColor disabledColor_{192, 192, 192};
    bool useDisableColor_ = false;
};

}  // namespace zox
