// The framework's one exception: thrown when a string cannot grow.
#pragma once

#include "CObject.h"

class CMemoryException : public CObject {};

[[noreturn]] void AfxThrowMemoryException();
