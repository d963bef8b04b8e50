#include "ui/mpris/MprisRoot.h"

#include "ui/mpris/MprisService.h"

namespace lorvex {

MprisRoot::MprisRoot(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}

QString MprisRoot::Identity() const { return QStringLiteral("Lorvex"); }

QString MprisRoot::DesktopEntry() const { return service_->DesktopEntry(); }

void MprisRoot::Raise() { service_->Raise(); }

void MprisRoot::Quit() { service_->Quit(); }

}  // namespace lorvex
