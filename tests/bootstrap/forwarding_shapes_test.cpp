// The forwarders continue into entry points of every shape: the stand-in host's
// "GetTopFIEntryV" and "TestIteratorX" take the shapes of entry_shapes.h in turn, each call
// goes through GetTopNorvaneEntry or TestIterator by a pointer of that shape, and what the
// entry point received and what the caller got back are compared with what was passed.
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "bootstrap_test.h"
#include "hostmods/entry_shapes.h"
#if !defined(_WIN32)
#include <dlfcn.h>
#include <unwind.h>

#include <algorithm>
#endif

namespace fintop_test {
namespace {

using Forwarder = std::intptr_t(FI_CDECL*)(std::intptr_t, std::intptr_t, std::intptr_t,
                                           std::intptr_t);

// The structures of the shapes, as the stand-in host has them.
using Pair = hostsim::ShapePair;
using DoublePair = hostsim::ShapeDoublePair;
using Big = hostsim::ShapeBig;

// Values as the stand-in host writes what it received.
std::string Text(std::int64_t value) {
  return std::to_string(value);
}
std::string Text(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}
std::string Text(long double value) {
  const double nearest = static_cast<double>(value);
  return Text(nearest) + " " + Text(static_cast<double>(value - nearest));
}
std::string Text(const Big& big) {
  std::string text = "{";
  for (std::int64_t value : big.values) text += Text(value) + " ";
  return text + Text(big.real) + "}";
}

// The forwarder called as an entry point of another shape (by way of the generic function
// pointer type, as for any address whose shape only the caller knows).
template <class Shape>
Shape As(Forwarder forwarder) {
  return reinterpret_cast<Shape>(reinterpret_cast<void (*)()>(forwarder));
}

struct ShapeCase {
  const char* what;
  const char* shape;  // of the stand-in host's entry point
  // Calls the forwarder as an entry point of the shape; the result as text.
  std::string (*call)(Forwarder forwarder);
  const char* received;  // what the entry point must have received
  const char* result;
  // The result when no module has the entry point; null where it is not given (in memory
  // or on the x87 stack).
  const char* absent;
};

const ShapeCase kShapes[] = {
    {"EightIntegers", "EightIntegers",
     [](Forwarder f) {
       using Shape = std::int64_t(FI_CDECL*)(int, std::int64_t, int, std::int64_t, int,
                                             std::int64_t, int, std::int64_t);
       return Text(As<Shape>(f)(-1, 4294967297, 3, -4294967300, 5, INT64_MAX, -7, INT64_MIN + 8));
     },
     "-1 4294967297 3 -4294967300 5 9223372036854775807 -7 -9223372036854775800",
     "-9223372036854775800", "0"},
    {"EightMixed", "EightMixed",
     [](Forwarder f) {
       using Shape =
           double(FI_CDECL*)(int, double, std::int64_t, double, const char*, double, int, double);
       return Text(As<Shape>(f)(11, 0.5, -4294967296, -1.25, "feed", 1e300, 13, -1024.125));
     },
     "11 0.5 -4294967296 -1.25 feed 1.0000000000000001e+300 13 -1024.125", "-1024.125", "0"},
    {"IntAndNineDoubles", "IntAndNineDoubles",
     [](Forwarder f) {
       using Shape = double(FI_CDECL*)(int, double, double, double, double, double, double, double,
                                       double, double);
       return Text(As<Shape>(f)(-9, 1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5, 9.75));
     },
     "-9 1.5 2.5 3.5 4.5 5.5 6.5 7.5 8.5 9.75", "9.75", "0"},
    {"FloatResult", "FloatResult",
     [](Forwarder f) {
       using Shape = float(FI_CDECL*)(float, int, float);
       return Text(double{As<Shape>(f)(0.25f, 42, -3.5f)});
     },
     "0.25 42 -3.5", "-3.5", "0"},
    {"LongDoubleResult", "LongDoubleResult",
     [](Forwarder f) {
       using Shape = long double(FI_CDECL*)(int, long double);
       return Text(As<Shape>(f)(3, 1.0L + 0x1p-60L));
     },
     "3 1 8.6736173798840355e-19", "1 8.6736173798840355e-19", nullptr},
    {"SmallStruct", "SmallStruct",
     [](Forwarder f) {
       using Shape = Pair(FI_CDECL*)(int, int);
       const Pair pair = As<Shape>(f)(-5, 70000);
       return Text(std::int64_t{pair.first}) + " " + Text(std::int64_t{pair.second});
     },
     "-5 70000", "-5 70000", "0 0"},
    {"TwoDoubles", "TwoDoubles",
     [](Forwarder f) {
       using Shape = DoublePair(FI_CDECL*)(double, double, double);
       const DoublePair pair = As<Shape>(f)(0.125, -6.5, 1e-3);
       return Text(pair.x) + " " + Text(pair.y);
     },
     "0.125 -6.5 0.001", "-6.5 0.001", "0 0"},
    {"LargeStruct", "LargeStruct",
     [](Forwarder f) {
       using Shape = Big(FI_CDECL*)(std::int64_t, Big, double);
       const Big in = {{1, -2, std::int64_t{1} << 40, -(std::int64_t{1} << 50)}, 0.25};
       return Text(As<Shape>(f)(77, in, -1.5));
     },
     "77 {1 -2 1099511627776 -1125899906842624 0.25} -1.5",
     "{1 -2 1099511627776 -1125899906842624 -1.5}", nullptr},
    {"VariadicThreeDoubles", "Variadic",
     [](Forwarder f) {
       using Shape = double(FI_CDECL*)(const char*, ...);
       return Text(As<Shape>(f)("ddd", 0.5, -1.25, 1024.125));
     },
     "ddd 0.5 -1.25 1024.125", "1024.125", "0"},
    {"VariadicManyMixed", "Variadic",
     [](Forwarder f) {
       using Shape = double(FI_CDECL*)(const char*, ...);
       return Text(As<Shape>(f)("ididlddddddddd", 7, 0.5, -8, 1.5, std::int64_t{1} << 40, 2.5, 3.5,
                                4.5, 5.5, 6.5, 7.5, 8.5, 9.5, -10.5));
     },
     "ididlddddddddd 7 0.5 -8 1.5 1099511627776 2.5 3.5 4.5 5.5 6.5 7.5 8.5 9.5 -10.5", "-10.5",
     "0"},
};

void PrintTo(const ShapeCase& row, std::ostream* out) {
  *out << row.what;
}

struct Route {
  const char* entry_name;  // of the host
  Forwarder forwarder;
};
const Route kRoutes[] = {{"GetTopFIEntryV", GetTopNorvaneEntry}, {"TestIteratorX", TestIterator}};

// The stand-in host module's test exports.
class ForwardedShapes : public BootstrapTest, public ::testing::WithParamInterface<ShapeCase> {
 protected:
  void SetUp() override {
    BootstrapTest::SetUp();
    HMODULE engine = LoadLibraryA("norvaneeng.dll");
    ASSERT_NE(engine, nullptr);
    use_shape_ = reinterpret_cast<int(FI_CDECL*)(const char*, const char*)>(
        reinterpret_cast<void (*)()>(GetProcAddress(engine, "HostsimUseShape")));
    received_ = reinterpret_cast<const char*(FI_CDECL*)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(engine, "HostsimReceived")));
    ASSERT_NE(use_shape_, nullptr);
    ASSERT_NE(received_, nullptr);
  }
  void TearDown() override {
#if !defined(_WIN32)
    hostsim::ReplaceModuleLoader(nullptr);
#endif
    if (use_shape_ != nullptr) {
      for (const Route& route : kRoutes) use_shape_(route.entry_name, nullptr);
    }
    BootstrapTest::TearDown();
  }

  int(FI_CDECL* use_shape_)(const char*, const char*) = nullptr;
  const char*(FI_CDECL* received_)() = nullptr;
};

TEST_P(ForwardedShapes, EveryArgumentArrivesAndTheResultComesBack) {
  const ShapeCase& row = GetParam();
  for (const Route& route : kRoutes) {
    SCOPED_TRACE(route.entry_name);
    ASSERT_EQ(use_shape_(route.entry_name, row.shape), 1);
    EXPECT_EQ(row.call(route.forwarder), row.result);
    EXPECT_STREQ(received_(), row.received);
    use_shape_(route.entry_name, nullptr);
  }
}

#if !defined(_WIN32) && defined(__x86_64__)
// A lookup that leaves junk in every register that may carry an argument (as any lookup may),
// so that a register the forwarder does not keep shows.
class ScramblingLoader : public FakeLoader {
 public:
  void* GetProcAddress(HMODULE module, const char* entry_name) override {
    void* entry = FakeLoader::GetProcAddress(module, entry_name);
    asm volatile(
        "pcmpeqd %%xmm0, %%xmm0\n\tpcmpeqd %%xmm1, %%xmm1\n\tpcmpeqd %%xmm2, %%xmm2\n\t"
        "pcmpeqd %%xmm3, %%xmm3\n\tpcmpeqd %%xmm4, %%xmm4\n\tpcmpeqd %%xmm5, %%xmm5\n\t"
        "pcmpeqd %%xmm6, %%xmm6\n\tpcmpeqd %%xmm7, %%xmm7\n\t"
        "movq $-1, %%rdi\n\tmovq $-1, %%rsi\n\tmovq $-1, %%rdx\n\tmovq $-1, %%rcx\n\t"
        "movq $-1, %%r8\n\tmovq $-1, %%r9\n\tmovq $-1, %%r10\n\tmovq $-1, %%r11"
        :
        :
        : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "rdi", "rsi", "rdx",
          "rcx", "r8", "r9", "r10", "r11");
    return entry;
  }
};

TEST_P(ForwardedShapes, ArgumentsOutliveALookupThatChangesEveryArgumentRegister) {
  const ShapeCase& row = GetParam();
  HMODULE engine = LoadLibraryA("norvaneeng.dll");
  ScramblingLoader loader;
  for (const Route& route : kRoutes) {
    loader["norvaneeng.dll"].entries[route.entry_name] = GetProcAddress(engine, route.entry_name);
  }
  hostsim::ReplaceModuleLoader(&loader);
  for (const Route& route : kRoutes) {
    SCOPED_TRACE(route.entry_name);
    ASSERT_EQ(use_shape_(route.entry_name, row.shape), 1);
    EXPECT_EQ(row.call(route.forwarder), row.result);
    EXPECT_STREQ(received_(), row.received);
    use_shape_(route.entry_name, nullptr);
  }
  hostsim::ReplaceModuleLoader(nullptr);
}
#endif

INSTANTIATE_TEST_SUITE_P(Shapes, ForwardedShapes, ::testing::ValuesIn(kShapes),
                         [](const ::testing::TestParamInfo<ShapeCase>& info) {
                           return info.param.what;
                         });

#if !defined(_WIN32)
// With no module giving the entry point, every result in registers is zero.
class AbsentEntryPoint : public FakeLoaderTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(AbsentEntryPoint, GivesZeroInEveryResultRegister) {
  const ShapeCase& row = GetParam();
  UseFakeLoader();
  for (const Route& route : kRoutes) {
    SCOPED_TRACE(route.entry_name);
    EXPECT_EQ(row.call(route.forwarder), row.absent);
  }
}

std::vector<ShapeCase> WithResultInRegisters() {
  std::vector<ShapeCase> rows;
  for (const ShapeCase& row : kShapes) {
    if (row.absent != nullptr) rows.push_back(row);
  }
  return rows;
}

INSTANTIATE_TEST_SUITE_P(Shapes, AbsentEntryPoint, ::testing::ValuesIn(WithResultInRegisters()),
                         [](const ::testing::TestParamInfo<ShapeCase>& info) {
                           return info.param.what;
                         });

// A lookup that walks the stack it runs on, as a debugger or a profiler would: the walk must
// pass through the forwarder's frame and go on to the start of the program.
class UnwindingLoader : public FakeLoader {
 public:
  void* GetProcAddress(HMODULE module, const char* entry_name) override {
    frames_.clear();
    end_ = _Unwind_Backtrace(&Collect, this);
    return FakeLoader::GetProcAddress(module, entry_name);
  }
  // The dynamic symbol of each frame's code, innermost first ("" where there is none).
  const std::vector<std::string>& frames() const { return frames_; }
  _Unwind_Reason_Code end() const { return end_; }

 private:
  static _Unwind_Reason_Code Collect(_Unwind_Context* context, void* self) {
    Dl_info info{};
    const auto address = reinterpret_cast<void*>(_Unwind_GetIP(context) - 1);
    const bool known = dladdr(address, &info) != 0 && info.dli_sname != nullptr;
    static_cast<UnwindingLoader*>(self)->frames_.push_back(known ? info.dli_sname : "");
    return _URC_NO_REASON;
  }

  std::vector<std::string> frames_;
  _Unwind_Reason_Code end_ = _URC_NO_REASON;
};

class ForwarderFrame : public FakeLoaderTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ForwarderFrame, TheLookupCanBeUnwoundThroughTheForwarder) {
  const std::string forwarder = GetParam();
  UnwindingLoader loader;
  hostsim::ReplaceModuleLoader(&loader);
  EXPECT_EQ((forwarder == "TestIterator" ? TestIterator : GetTopNorvaneEntry)(1, 2, 3, 4), 0);
  hostsim::ReplaceModuleLoader(nullptr);

  const std::vector<std::string>& frames = loader.frames();
  const auto at = std::find(frames.begin(), frames.end(), forwarder);
  ASSERT_NE(at, frames.end()) << ::testing::PrintToString(frames);
  EXPECT_NE(std::find(at, frames.end(), "__libc_start_main"), frames.end())
      << ::testing::PrintToString(frames);
  EXPECT_EQ(loader.end(), _URC_END_OF_STACK);
}

INSTANTIATE_TEST_SUITE_P(Forwarders, ForwarderFrame,
                         ::testing::Values("GetTopNorvaneEntry", "TestIterator"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });
#endif

}  // namespace
}  // namespace fintop_test
