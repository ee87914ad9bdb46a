#include "detail/SoundPageVariables.h"

std::shared_ptr<NSMutableDictionary> plist;
std::shared_ptr<UISwitch> switchview;
std::shared_ptr<UISwitch> switchview123;
std::shared_ptr<UITextField> fromDate;
std::shared_ptr<UISwitch> switchview11;
