#pragma once
// Modal boxes shown during a test, in order.

#include <vector>

#include "messages.h"

std::vector<MessageRequest>& recorded_messages();
