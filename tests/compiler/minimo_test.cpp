#include "compiler/minimo.h"

#include <gtest/gtest.h>

#include "compiler/route_model.h"

namespace sb {
namespace {

TEST(Minimo, ReturnsTheSmallerAndXOnATie) {
  EXPECT_EQ(minimo(180, Integer{120}), 120);
  EXPECT_EQ(minimo(180, Integer{200}), 180);
  EXPECT_EQ(minimo(180, Integer{180}), 180);
  EXPECT_EQ(minimo(180, Integer{-5}), -5);
}

}  // namespace
}  // namespace sb
