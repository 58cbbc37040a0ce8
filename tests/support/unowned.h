// A shared_ptr that does not own its object, for handing a test's own
// object to an interface that shares ownership.
#pragma once

#include <memory>

namespace mirelon {

template <class T>
std::shared_ptr<T> Unowned(T& object) {
  return std::shared_ptr<T>(std::shared_ptr<T>(), &object);
}

}  // namespace mirelon
