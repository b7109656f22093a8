// The runs while another program changes a value between two of their operations, and over value
// names that differ only in letter case (see runs_under_faults.h).
#include "runs_under_faults.h"

#include <gtest/gtest.h>

namespace zentrim {
namespace {

using namespace fault_tests;

// Another program sets a value between two operations of a run, at every fifth place in turn: a
// backed-up value the user had, a value the restore deletes, and one the user did not have.
TEST_F(RunsUnderFaults, AnotherProgramChangingAValueBetweenTwoOperations) {
    const struct {
        std::u16string_view path;
        std::u16string_view name;
        RawValue value;
    } changes[] = {
        {u"System\\CurrentControlSet\\Control\\PriorityControl", u"Win32PrioritySeparation", Dword(40)},
        {u"System\\CurrentControlSet\\Services\\Messenger", u"Start", Dword(3)},
        {u"System\\CurrentControlSet\\Services\\Tcpip\\Parameters", u"EnableICMPRedirects", Dword(9)},
    };
    for (const Phase phase : kPhases) {
        const std::size_t operations = CountsOf(phase).operations;
        std::size_t cases = 0;
        for (std::size_t position = 0; position < operations; position += 5, ++cases) {
            const auto& change = changes[cases % std::size(changes)];
            SCOPED_TRACE(std::string(Name(phase)) + ", " + ToUtf8(change.name) + " set before operation " +
                         std::to_string(position));
            const std::u16string id = ToLowerText(u"HKEY_LOCAL_MACHINE\\" + std::u16string(change.path) +
                                                  u"|" + std::u16string(change.name));
            RunWithFaults(phase, {[&](FaultyRegistryStore& store) {
                                      store.ChangeValueBefore(position, LocalMachine,
                                                              std::u16string(change.path),
                                                              std::u16string(change.name), change.value);
                                  },
                                  OtherWriter{id, change.value}});
            if (::testing::Test::HasFailure()) {
                return;
            }
        }
        Measured(std::string("another program setting a value during the ") + Name(phase), cases, 0);
    }
}

// Under Windows' rules a value whose name the user's machine spells otherwise than the catalogue is
// the same value, and it keeps the user's spelling through both runs. In a store that tells such
// names apart the runs leave the differently spelt values alone, also when operations fail.
TEST_F(RunsUnderFaults, ValueNamesThatDifferOnlyInLetterCase) {
    std::vector<UserValue> spelt;
    for (UserValue value : UserMachine()) {
        value.name = value.name == u"Win32PrioritySeparation"       ? u"WIN32PRIORITYSEPARATION"
                     : value.name == u"Start"                       ? u"start"
                     : value.name == u"NtfsDisableLastAccessupdate" ? u"NtfsDisableLastAccessUpdate"
                                                                    : value.name;
        spelt.push_back(value);
    }
    MemoryRegistryStore memory;
    const CustomRegistry registry(memory);
    for (const UserValue& value : spelt) {
        registry.WriteRegistryRaw(value.root, value.path, value.name, value.value, RegistryView::Bits64());
    }
    const auto outside = [](std::vector<StoredKey> state) {
        std::erase_if(state, [](const StoredKey& key) {
            return InProductKey(key) || EqualsIgnoringCase(key.path, u"Software\\ORVANE");
        });
        return state;
    };
    const auto machine = outside(memory.Snapshot());
    Optimize(memory, kFirstProfile, false);
    Restore(memory, kFirstProfile);
    const auto restored = outside(memory.Snapshot());
    ASSERT_EQ(restored.size(), machine.size());
    for (std::size_t i = 0; i < machine.size(); ++i) {
        ASSERT_EQ(restored[i].path, machine[i].path);
        ASSERT_EQ(restored[i].values.size(), machine[i].values.size()) << ToUtf8(machine[i].path);
        for (std::size_t j = 0; j < machine[i].values.size(); ++j) {
            EXPECT_EQ(restored[i].values[j].name, machine[i].values[j].name) << "the user's spelling stays";
            EXPECT_EQ(restored[i].values[j].data, machine[i].values[j].data);
        }
    }

    // The store that tells names apart: the optimize run leaves the values spelt otherwise as they
    // are, the restore gives back exactly what the user had (checked by SetUp), and so do the clean
    // runs after every tenth operation failed.
    const std::vector<UserValue> all = MachineWithNamesInOtherCase();
    for (auto value = all.begin() + static_cast<std::ptrdiff_t>(UserMachine().size()); value != all.end();
         ++value) {
        const std::u16string id =
            ToLowerText(std::u16string(RootName(value->root)) + u"\\" + std::u16string(value->path) + u"|" +
                        FaultyRegistryStore::InnerName(value->name));
        ASSERT_TRUE(caseUser_->values.contains(id)) << ToUtf8(value->name);
        EXPECT_EQ(caseUser_->tweaked.at(id), value->value) << ToUtf8(value->name);
    }
    for (const Phase phase : kPhases) {
        const std::size_t operations = CountsOf(phase, *caseUser_).operations;
        int lost = 0;
        for (std::size_t position = 0; position < operations; position += 10) {
            SCOPED_TRACE(std::string(Name(phase)) + ", operation " + std::to_string(position) + " fails");
            lost += RunWithFaults(phase, Faults({FaultyRegistryStore::At(position)}), *caseUser_);
            if (::testing::Test::HasFailure()) {
                return;
            }
        }
        Measured(std::string("names told apart by case, one failed operation in the ") + Name(phase),
                 (operations + 9) / 10, lost);
    }
}

} // namespace
} // namespace zentrim
