#pragma once

#include "platform/types.h"
