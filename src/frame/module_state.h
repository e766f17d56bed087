// Module-wide state that lives as long as the module is loaded.
#pragma once

#include "frame/kvx_app.h"
#include "appkit/shared_string.h"

// The path last chosen in the shell printer browser, preselected next time.
extern CSharedString PreselectPath;
extern CKvxApp theApp;
