// `minimo`, the run's small utility; the program's layout puts it with the
// run, but it lives here because the post-processing, below the run, uses it.
#pragma once

namespace sb {

// y when x is greater than y, otherwise x (so x when they are equal). The
// result keeps the type of the argument it came from, converted to the
// common type of the two.
template <typename X, typename Y>
constexpr auto minimo(X x, Y y) {
  using R = decltype(x + y);
  return x > y ? static_cast<R>(y) : static_cast<R>(x);
}

}  // namespace sb
