#include "host/core/ControlProperties.h"

#include "host/core/SessionSettings.h"

void ControlProperties::Set(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (!values_.contains(key) && values_.size() >= kMaxProperties) {
        return;
    }
    values_.insert(key, value);
}

bool ControlProperties::SetAssignment(const QString& assignment) {
    const qsizetype eq = assignment.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        return false;
    }
    Set(assignment.left(eq), assignment.mid(eq + 1));
    return true;
}

void ControlProperties::SetFromPage(const HostPage::Result& page) {
    for (const auto& [name, value] : page.params) {
        Set(name, value);
    }
}

QString ControlProperties::Read(const QString& name) const {
    return values_.value(name.toLower());
}

bool ControlProperties::Has(const QString& name) const {
    return values_.contains(name.toLower());
}

void ExchangeProperties(const PropertyBag& bag, SessionSettings& session) {
    const QString physicianList = bag.Read(QStringLiteral("PhysicianList"));
    const QString locationList = bag.Read(QStringLiteral("LocationList"));
    session.SetWebsite(bag.Read(QStringLiteral("ServerURL")));
    const QString loggedUserId = bag.Read(QStringLiteral("LoggedUserId"));
    const QString loggedUserName = bag.Read(QStringLiteral("LoggedUserName"));
    session.SetLoggedUserId(loggedUserId);
    session.SetLoggedUserName(loggedUserName);
    session.SetPhysicianList(physicianList);
    session.SetLocationList(locationList);

    session.SetSignatureLine(bag.Read(QStringLiteral("SignatureLine")));
    session.SetPrintprevilage(bag.Read(QStringLiteral("Printprevilage")));
    session.SetDefaultCustomProperty(bag.Read(QStringLiteral("DefaultCustomProperty")));
    session.SetFromDictationFlag(bag.Read(QStringLiteral("FromDictationFlag")));
}
