#pragma once

#include "host/core/HostPage.h"

#include <QHash>
#include <QString>

class SessionSettings;

// What the host hands the control when it is loaded: named string properties.
class PropertyBag {
public:
    virtual ~PropertyBag() = default;
    // The value of the named property; an empty text when the host did not give it.
    virtual QString Read(const QString& name) const = 0;
};

// The properties of one launch: the host page's <param>s, then the --param values, later ones
// replacing earlier ones. Names are matched without regard to case.
class ControlProperties final : public PropertyBag {
public:
    // More distinct names than this are not a session; further ones are dropped.
    static constexpr qsizetype kMaxProperties = 512;

    void Set(const QString& name, const QString& value);
    // "NAME=VALUE" (the value may itself contain "="); false when there is no "=" or no name.
    bool SetAssignment(const QString& assignment);
    void SetFromPage(const HostPage::Result& page);

    QString Read(const QString& name) const override;
    bool Has(const QString& name) const;
    qsizetype Count() const { return values_.size(); }

private:
    QHash<QString, QString> values_; // lower-case name -> value
};

// The load half of the control's property exchange: reads the nine session properties in the
// control's fixed order and hands them to session (ServerURL through SetWebsite at once; the
// user, provider entries and LocationList stored together after LoggedUserName is read; the
// last four stored as they are read). Other names in the bag are ignored.
void ExchangeProperties(const PropertyBag& bag, SessionSettings& session);
