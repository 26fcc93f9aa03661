#include "platform/component/dispatch.h"

namespace platform {

namespace {
bool kindMatches(CallKind wanted, CallKind actual) {
  if (wanted == actual) return true;
  if (wanted == CallKind::Method) return actual == CallKind::PropertyGet;
  if (wanted == CallKind::PropertyGet) return actual == CallKind::Method;
  if (wanted == CallKind::PropertyPut) return actual == CallKind::PropertyPutRef;
  if (wanted == CallKind::PropertyPutRef) return actual == CallKind::PropertyPut;
  return false;
}
}  // namespace

int Dispatch::slotOf(const QString& name, CallKind kind) const {
  const std::vector<MemberInfo>& all = members();
  for (size_t i = 0; i < all.size(); ++i)
    if (all[i].kind == kind && all[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i) + 1;
  for (size_t i = 0; i < all.size(); ++i)
    if (kindMatches(kind, all[i].kind) && all[i].name.compare(name, Qt::CaseInsensitive) == 0)
      return int(i) + 1;
  return 0;
}

}  // namespace platform
