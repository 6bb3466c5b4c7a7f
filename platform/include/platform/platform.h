// Everything the system uses of the platform, in one include.
#pragma once

#include "platform/com.h"
#include "platform/com_error.h"
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/library.h"
#include "platform/ole.h"
#include "platform/oleauto.h"
#include "platform/registry.h"
#include "platform/scoped.h"
#include "platform/scoped_gdi.h"
#include "platform/types.h"
#include "platform/user.h"
#include "platform/wide.h"
