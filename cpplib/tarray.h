// The container of the GUI framework's class library that our lists cross
// library boundaries in: a growable array.
#pragma once

#include <vector>

template <class T>
using TArrayAsVector = std::vector<T>;
