#pragma once
// The options record lives with the Operate Settings dialog that edits it.
#include "devices/OperationOptions.h"
