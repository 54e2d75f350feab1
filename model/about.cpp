#include "model/about.h"
#include "model/lib.h"

#include "version.h"

std::string HomePage()
{
    return SIG_HOMEPAGE;
}

std::string BugAddress()
{
    return SIG_BUG_ADDRESS;
}

std::string HelpFooter()
{
    if (HomePage().empty())
        return {};
    return "Сообщения об ошибках: <" + BugAddress() + ">\nДомашняя страница sigcfg: <" + HomePage() + ">\n";
}

std::string VersionBanner(const std::string &program)
{
    // GNU style: "program (package) version"; the window program is the package's namesake.
    return program + (program == "sigcfg" ? " " : " (sigcfg) ") + VersionText() +
           "\n"
           "Copyright (C) " SIG_COPYRIGHT_YEAR " Разработчики sigcfg\n"
           "Лицензия GPLv3+: GNU GPL версии 3 или новее <https://gnu.org/licenses/gpl.html>.\n"
           "Это свободная программа: вы можете изменять и распространять её.\n"
           "Нет НИКАКИХ ГАРАНТИЙ в пределах, допускаемых законом.\n";
}
