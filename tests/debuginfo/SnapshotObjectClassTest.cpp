// Class names of objects read through their table pointers: fabricated
// memory for every way a pointer can fail to be an object, and real objects
// of this program.
#include <gtest/gtest.h>

#include <memory>

#include "debuginfo/ESnapshotObjectClass.h"
#include "tests/support/FabricatedMemory.h"

class TSnapshotProbeThread {
 public:
  virtual ~TSnapshotProbeThread() = default;
};

namespace probe_space {
class TNestedThread : public TSnapshotProbeThread {};
}  // namespace probe_space

namespace {

// An image at [0x400000, 0x500000); the object lives outside it, at 0x100.
constexpr TAddress kObject = 0x100;
constexpr TAddress kTable = 0x401010;
constexpr TAddress kTypeInfo = 0x402000;
constexpr TAddress kTypeInfoTable = 0x403000;
constexpr TAddress kName = 0x404000;

bool InsideFabricatedImage(TAddress address) {
  return address >= 0x400000 && address < 0x500000;
}

TFabricatedMemory FabricatedObject(std::string_view name) {
  TFabricatedMemory memory;
  memory.Put32(kObject, kTable);
  memory.Put32(kTable - 4, kTypeInfo);
  memory.Put32(kTypeInfo, kTypeInfoTable);
  memory.Put32(kTypeInfo + 4, kName);
  memory.Put(kName, name);
  return memory;
}

}  // namespace

TEST(ObjectClass, FabricatedObject_GivesItsClassOrNothing) {
  const struct {
    const char* text;
    std::string_view name;
    void (*damage)(TFabricatedMemory&);
    const char* expected;  // null: no class
  } rows[] = {
      {"a plain class", {"7TThread\0", 9}, nullptr, "TThread"},
      {"a nested class", {"N5outer7TThreadE\0", 17}, nullptr, "outer::TThread"},
      {"a local class", {"*N5outer6TLocalE\0", 17}, nullptr, "outer::TLocal"},
      {"a table outside the images",
       {"7TThread\0", 9},
       [](TFabricatedMemory& m) { m.Put32(kObject, 0x600000); },
       nullptr},
      {"an unreadable table slot",
       {"7TThread\0", 9},
       [](TFabricatedMemory& m) { m.Remove(kTable - 4, 4); },
       nullptr},
      {"a type record outside the images",
       {"7TThread\0", 9},
       [](TFabricatedMemory& m) { m.Put32(kTable - 4, 0x20000); },
       nullptr},
      {"a type record whose own table is wild",
       {"7TThread\0", 9},
       [](TFabricatedMemory& m) { m.Put32(kTypeInfo, 0x10); },
       nullptr},
      {"a name without its end", {"7TThread", 8}, nullptr, nullptr},
      {"a name that is no class", {"Pi\0", 3}, nullptr, nullptr},
      {"a name longer than its length says", {"7TThreadX\0", 10}, nullptr, nullptr},
      {"a name with a control character",
       {"7TThr\x01"
        "ad\0",
        9},
       nullptr,
       nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    TFabricatedMemory memory = FabricatedObject(row.name);
    if (row.damage) row.damage(memory);
    const auto found = ReadObjectClass(memory, kObject, InsideFabricatedImage);
    if (!row.expected) {
      EXPECT_FALSE(found.has_value());
      continue;
    }
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->Name, row.expected);
    EXPECT_EQ(found->TypeInfo, kTypeInfo);
  }
  EXPECT_FALSE(ReadObjectClass(FabricatedObject({"7TThread\0", 9}), 0, InsideFabricatedImage));
}

TEST(ObjectClass, ReadableTypeName_KeepsFormsItDoesNotKnow) {
  EXPECT_EQ(ReadableTypeName("13TExceptionLog"), "TExceptionLog");
  EXPECT_EQ(ReadableTypeName("N1a1b1cE"), "a::b::c");
  EXPECT_EQ(ReadableTypeName("St9exception"), "St9exception");
  EXPECT_EQ(ReadableTypeName("N1aE1b"), "N1aE1b");
  EXPECT_EQ(ReadableTypeName(""), "");
}

TEST(ObjectClass, LiveObjects_ShowTheirMostDerivedClass) {
  const auto plain = std::make_unique<TSnapshotProbeThread>();
  const auto nested = std::make_unique<probe_space::TNestedThread>();
  const TSnapshotProbeThread& asBase = *nested;
  EXPECT_EQ(LiveObjectClassName(plain.get()), "TSnapshotProbeThread");
  EXPECT_EQ(LiveObjectClassName(&asBase), "probe_space::TNestedThread");
}

TEST(ObjectClass, PointersThatAreNoObjects_GiveNoName) {
  const int onTheStack = 0x401000;
  const auto notPolymorphic = std::make_unique<std::uint32_t>(0x12345678);
  const struct {
    const char* text;
    const void* pointer;
  } rows[] = {
      {"null", nullptr},
      {"wild", reinterpret_cast<const void*>(0x10)},
      {"kernel space", reinterpret_cast<const void*>(0xFFFF0000)},
      {"a stack variable", &onTheStack},
      {"an object without a table", notPolymorphic.get()},
      {"code", reinterpret_cast<const void*>(&LiveObjectClassName)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(LiveObjectClassName(row.pointer), "");
  }
}
