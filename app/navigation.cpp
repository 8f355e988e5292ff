// Placeholder until the commands land: every navigation goes on.
#include "app/navigation.h"

NavigationResult CppWebBrowser1BeforeNavigate2(ViewerState&, NavigationContext&, const std::string&) {
    return {};
}
