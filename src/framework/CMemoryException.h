// The framework's one exception: thrown when a string cannot grow.
#pragma once

#include "framework/CObject.h"

class CMemoryException : public CObject {};

[[noreturn]] void AfxThrowMemoryException();
