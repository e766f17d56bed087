// kvxctl --version: kvxctl's own version and the library's, as its version
// record states it.
#pragma once

// Writes both (with `json`, one document); exit 0, or 4 when the library cannot
// be loaded, with kvxctl's version written all the same.
int ReportVersion(bool json);
