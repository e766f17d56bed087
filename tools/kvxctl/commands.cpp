#include "commands.h"

const Command kCommands[15] = {
    {"status", "whether this machine is ready, and what to do if not", true, DefineStatus},
    {"platform", "show the platform code and the system version", true, DefinePlatform},
    {"driver-dir", "show the spooler's printer-driver directory", true, DefineDriverDir},
    {"install-driver",
     "register the thermal printer driver; --from copies its files\n"
     "from FOLDER into driver-dir first (--force replaces different ones)",
     true, DefineInstallDriver},
    {"remove-driver",
     "remove the driver registration; refused while printers use\n"
     "it (--force asks the spooler all the same)",
     true, DefineRemoveDriver},
    {"install-printer",
     "install the driver and add a thermal printer on PORT\n"
     "(--from and --force as for install-driver)",
     true, DefineInstallPrinter},
    {"remove-printer",
     "delete PRINTER through the spooler; --force also one that\n"
     "does not use the thermal printer driver",
     true, DefineRemovePrinter},
    {"uninstall",
     "remove every printer of the driver, then the driver;\n"
     "--files also its files in driver-dir",
     true, DefineUninstall},
    {"driver-name", "show the base name of the printer's driver data file", true, DefineDriverName},
    {"ports", "list the local ports", true, DefinePorts},
    {"configure-port", "open the configuration dialog of PORT", false, DefineConfigurePort},
    {"whoami", "show the user and computer names", true, DefineWhoami},
    {"browse-dialog", "pick a printer in the shell's browse dialog, show its path", false,
     DefineBrowseDialog},
    {"connect-dialog", "connect to a network printer in the system's dialog, show its name", false,
     DefineConnectDialog},
    {"browse",
     "list what lies under a network container (providers,\n"
     "a provider's domains, a domain's servers, a server's shares);\n"
     "without --provider, under the first provider that has the NAMEs",
     true, DefineBrowse},
};
