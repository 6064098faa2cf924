// kvp's tools for a container's health: check reads a container and prints
// what is wrong with it, changing nothing; repair plans, or with --apply
// carries out, its mending.
#pragma once

#include <ostream>

#include "app/kvp_arguments.h"

// Exit status of check when the file is not a container at all.
constexpr int KVP_NOT_A_CONTAINER = 3;

// Runs check on request.args[0]; its exit status (0 clean, 1 findings, 3 not a container).
int RunContainerCheck(const KvpRequest& request, std::ostream& out);
// Runs repair on request.args[0]: the plan (0 nothing to do, 1 a plan) or, with --apply, the mending (0 mended or
// nothing to do, 1 not mended); 3 when it is not a container.
int RunContainerRepair(const KvpRequest& request, std::ostream& out, std::ostream& err);
