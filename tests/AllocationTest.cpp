// A pass of a loop allocates nothing: the count of allocations of a whole run
// does not grow with the number of passes.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "engine/Parser.h"
#include "workbench/Libraries.h"

// The sanitizers bring their own allocator; counting is left to plain builds.
#if !defined(__SANITIZE_ADDRESS__)
#define OSTRA_COUNT_ALLOCATIONS 1
#endif

namespace {
std::atomic<long> Allocations{0};
std::atomic<bool> Counting{false};
}  // namespace

#ifdef OSTRA_COUNT_ALLOCATIONS
void* operator new(std::size_t n) {
  if (Counting.load(std::memory_order_relaxed)) Allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
// The replaced operator new allocates with malloc, so free is the right match.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop
#endif

using namespace TernioParser;

namespace {
long AllocationsOfRun(const std::string& program) {
  TVarHandler::TGlobalList globals;
  TParser engine(&globals, StandardLayers());
  engine.SetText(program);
  EXPECT_TRUE(engine.Parse(nullptr)) << engine.Message;
  engine.Prepare();
  TCalcInfo ci;
  Allocations = 0;
  Counting = true;
  TReturnValue r = engine.Evaluate(ci);
  Counting = false;
  EXPECT_FALSE(ci.Error) << ci.Message;
  return Allocations.load();
}
}  // namespace

TEST(Allocation, LoopPassesAllocateNothing) {
#ifndef OSTRA_COUNT_ALLOCATIONS
  GTEST_SKIP() << "allocations are counted in builds without sanitizers";
#endif
  const char* bodies[] = {
      "s+=i*0.5",
      "x=i, y=x*2-1, if(y>3; z=1; z=2)",
      "a[mod(i;200)]=i, s+=a[mod(i;200)]",
      "s+=f(i)",
      "s+=g(i;i+1)",
      "s+=e(a[];mod(i;200))",
      "t='abc', u=t",
      "n=0, while(n<3; n+=1)",
  };
  for (const char* body : bodies) {
    auto program = [&](int passes) {
      return "define(f(x); x*2), define(g(x;y); h=x+y, h*h), define(e(v[];k); v[k]*2), a[199]=0, s=0, for(i=0;i<" +
             std::to_string(passes) + ";i+=1;" + body + ")";
    };
    long few = AllocationsOfRun(program(10));
    long many = AllocationsOfRun(program(20000));
    EXPECT_EQ(few, many) << body;
  }
}
