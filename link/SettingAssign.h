// The rule every setting of the serial component follows: assigning the value it already has
// changes nothing; only a real change is stored and then applied by the caller.
#pragma once

template <typename T>
bool Assign(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}
