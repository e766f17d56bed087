// The inline test networks, in the text form of sim::LoadNetworkTree (the form
// of the test network file too), and the names of their providers.
#pragma once

#include <string>

namespace harness {

inline const std::string kKvx = "Kvx Network";
inline const std::string kOther = "Other Network";

// Two providers; under Kvx Network the domains SALES and CORP, with the odd
// entries: a server without a remote name, one without a provider, and a remote
// name listed twice (\\TWIN). The fault sweep runs over it.
inline constexpr char kSmallNetwork[] = R"(
[kvxnp]
provider "Kvx Network"
container NULL
domain SALES
domain CORP
container SALES
server  \\PRN01
server  NULL
server  \\ORPHAN provider=NULL
container \\PRN01
share \\PRN01\Laser
share \\PRN01\Thermal
container CORP
server \\TWIN
server \\TWIN
container \\TWIN
share \\TWIN\Laser
[kvxother]
provider "Other Network"
container NULL
domain WORKGROUP
)";

// The small network and more: a second printer server (\\PRN02), a disk share,
// entries of a generic and of an unknown display type, and a server whose
// container refuses to open (\\LOCKED). The network list's tests run over it.
inline constexpr char kWideNetwork[] = R"(
[kvxnp]
provider "Kvx Network"
container NULL
domain SALES
domain CORP
container SALES
server  \\PRN01
server  \\PRN02
server  NULL
server  \\ORPHAN provider=NULL
generic \\PLAIN
0x1C3   \\ODD
container \\PRN01
share \\PRN01\Laser
share \\PRN01\Disk type=disk
container \\PRN02
share \\PRN02\Receipt
container CORP
server \\TWIN
server \\LOCKED
server \\TWIN
container \\TWIN
share \\TWIN\Laser
container \\LOCKED fail=ACCESS_DENIED
[kvxother]
provider "Other Network"
container NULL
domain WORKGROUP
)";

} // namespace harness
