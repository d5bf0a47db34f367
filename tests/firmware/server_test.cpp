// The firmware updater server without a unit: registration, settings, the
// catalogue through versions and vectors, element access of vectors, and
// every error a client can meet before a unit answers.
#include "firmware/server/ids.h"
#include "platform/automation/registry.h"

#include "firmware_fixture.h"
#include "server_fixture.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace firmware_test;
using namespace gorlith;
using driver_t = pa::dispatch_driver_t;

std::int32_t int_of(const pa::variant_t& v) {
    return driver_t::to_int(v);
}

std::string text_of(const pa::variant_t& v) {
    return driver_t::to_string(v);
}

void write_text(const std::string& path, const std::string& text) {
    write_file(path, bytes_t(text.begin(), text.end()));
}

// A folder of images of three families; "tolk_0_9_0.bin" is only in the
// checksum cache (its file is gone).
class catalogue_folder_t {
public:
    catalogue_folder_t() {
        write_text(dir_.file("database.ini"), "[Device Types]\ntolk=Tolk Module\n"
                                              "[Checksums]\ntolk_0_9_0.bin=4660 17 \n");
        write_file(dir_.file("tolk_1_2_3.bin"), tolk_image(1, {0x100001, 0x100002, 0, 0, 0}));
        write_file(dir_.file("tolk_1_3_0.bin"), tolk_image(2, {0x100011, 0x100012, 0, 7, 9}));
        write_file(dir_.file("brisk_2_0_0.bin"), brisk_image(3, {0x200001, 0x200002}));
        write_file(dir_.file("plinth_3_0_0.bin"), plinth_image(4, {0x300001, 0x300002, 0, 0, 5}));
    }
    const std::string& path() const { return dir_.path(); }

private:
    temp_dir_t dir_;
};

// The catalogue order: the cached entry, then the folder by name.
const std::vector<std::string> catalogue_names = {
    "Tolk Module version 0.9.0", "brisk version 2.0.0", "plinth version 3.0.0",
    "Tolk Module version 1.2.3", "Tolk Module version 1.3.0"};

std::vector<std::string> names_of(const driver_t& vector) {
    std::vector<std::string> names;
    const std::int32_t n = int_of(vector.get(DISPID_length));
    for (std::int32_t i = 0; i < n; ++i)
        names.push_back(text_of(driver_t::to_object(vector.call(DISPID_at, {i})).get(DISPID_name)));
    return names;
}

using GorlithRegistration = GorlithServer;

TEST_F(GorlithRegistration, WritesAndRemovesTheSixClasses) {
    const struct {
        pa::CLSID clsid;
        pa::IID iid;
        const char* name;
    } classes[] = {{CLSID_updater, IID_Iupdater, "updater"},
                   {CLSID_unit, IID_Iunit, "unit"},
                   {CLSID_version, IID_Iversion, "version"},
                   {CLSID_com_vector, IID_Icom_vector, "com_vector"},
                   {CLSID_update_check, IID_Iupdate_check, "update_check"},
                   {CLSID_job, IID_Ijob, "job"}};
    const pa::class_registry_t registry(registry_.file());
    for (const auto& c : classes) {
        SCOPED_TRACE(c.name);
        const auto record = registry.find_class(c.clsid);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->progid, std::string("Gorlith.") + c.name + ".1");
        EXPECT_EQ(record->version_independent_progid, std::string("Gorlith.") + c.name);
        EXPECT_EQ(record->description, std::string(c.name) + " Class");
        EXPECT_EQ(record->threading_model, "Apartment");
        EXPECT_TRUE(record->programmable);
        EXPECT_EQ(record->kind, pa::server_kind::inproc);
        EXPECT_TRUE(record->typelib && *record->typelib == LIBID_GORLITHLib);
        EXPECT_EQ(registry.clsid_from_progid(std::string("Gorlith.") + c.name), c.clsid);

        // Every class is made by its ProgID and reports errors on its own
        // interface only.
        const driver_t object = create(record->progid);
        const auto errors = object.object().query<pa::ISupportErrorInfo>();
        ASSERT_TRUE(errors);
        EXPECT_EQ(errors->InterfaceSupportsErrorInfo(c.iid), pa::S_OK);
        EXPECT_EQ(errors->InterfaceSupportsErrorInfo(pa::IDispatch::iid), pa::S_FALSE);
        pa::com_ptr_t<pa::IUnknown> own;
        EXPECT_EQ(object.get()->QueryInterface(c.iid, own.put_void()), pa::S_OK);
    }
    const auto typelib = registry.find_typelib(LIBID_GORLITHLib);
    ASSERT_TRUE(typelib);
    EXPECT_EQ(typelib->name, "GORLITHLib");
    EXPECT_EQ(typelib->version, "1.0");

    EXPECT_EQ(pa::unregister_library(GORLITH_PATH), pa::S_OK);
    for (const auto& c : classes)
        EXPECT_FALSE(registry.find_class(c.clsid)) << c.name;
    EXPECT_FALSE(registry.find_typelib(LIBID_GORLITHLib));
}

// ---------------------------------------------------------------------------

using GorlithSettings = GorlithServer;

TEST_F(GorlithSettings, AreSharedByEveryUpdaterAndStoredAsGiven) {
    const driver_t first = create(progid_updater);
    const driver_t second = create(progid_updater);
    EXPECT_EQ(int_of(first.get(DISPID_timeout)), 1000);
    EXPECT_EQ(int_of(first.get(DISPID_retries)), 2);
    EXPECT_EQ(int_of(first.get(DISPID_holdoff)), 100);
    EXPECT_EQ(int_of(first.get(DISPID_write_timeout)), 20000);

    first.put(DISPID_retries, std::int32_t{5});
    EXPECT_EQ(int_of(second.get(DISPID_retries)), 5);
    // Out-of-range values are kept; transfers take negative ones as 0.
    second.put(DISPID_timeout, std::int32_t{-1});
    second.put(DISPID_holdoff, std::int32_t{-100});
    second.put(DISPID_write_timeout, std::int32_t{-7});
    EXPECT_EQ(int_of(first.get(DISPID_timeout)), -1);
    EXPECT_EQ(int_of(first.get(DISPID_holdoff)), -100);
    EXPECT_EQ(int_of(first.get(DISPID_write_timeout)), -7);
    first.put(DISPID_debug, std::int32_t{0});
    EXPECT_EQ(error_of([&] { first.get(DISPID_debug); }).hr, pa::DISP_E_MEMBERNOTFOUND)
        << "debug can only be set";

    // Back to the defaults for the tests after this one in the process.
    first.put(DISPID_timeout, std::int32_t{1000});
    first.put(DISPID_retries, std::int32_t{2});
    first.put(DISPID_holdoff, std::int32_t{100});
    first.put(DISPID_write_timeout, std::int32_t{20000});
}

// ---------------------------------------------------------------------------

using GorlithCatalogue = GorlithServer;

TEST_F(GorlithCatalogue, FindAllBeforeInitIsEmpty) {
    const driver_t updater = create(progid_updater);
    EXPECT_EQ(int_of(driver_t::to_object(updater.call(DISPID_find_all)).get(DISPID_length)), 0);
}

TEST_F(GorlithCatalogue, VersionsShowTheirRecords) {
    catalogue_folder_t folder;
    const driver_t updater = create(progid_updater);
    updater.call(DISPID_init, {folder.path()});
    const driver_t all = driver_t::to_object(updater.call(DISPID_find_all));
    EXPECT_EQ(names_of(all), catalogue_names);

    const driver_t gone = driver_t::to_object(all.call(DISPID_at, {0}));
    EXPECT_EQ(int_of(gone.get(DISPID_valid)), 1);
    EXPECT_EQ(int_of(gone.get(DISPID_exists)), 0);
    EXPECT_EQ(int_of(gone.get(DISPID_code_cs)), 4660);
    EXPECT_EQ(int_of(gone.get(DISPID_boot_cs)), 17);

    const driver_t tolk = driver_t::to_object(all.call(DISPID_at, {4}));
    EXPECT_EQ(text_of(tolk.get(DISPID_path)), folder.path() + "/tolk_1_3_0.bin");
    EXPECT_EQ(int_of(tolk.get(DISPID_exists)), 1);
    EXPECT_EQ(int_of(tolk.get(DISPID_code_cs)), 0x100011);
    EXPECT_EQ(int_of(tolk.get(DISPID_boot_cs)), 0x100012);
    EXPECT_EQ(int_of(tolk.get(DISPID_fpga_cs)), 7);
    EXPECT_EQ(int_of(tolk.get(DISPID_fpga2_cs)), 9);
    EXPECT_EQ(int_of(tolk.call(DISPID_is_compatible, {gone.get()})), 1);
    EXPECT_EQ(int_of(tolk.call(DISPID_is_compatible, {all.call(DISPID_at, {1})})), 0);

    // A version a client made itself has no record.
    const driver_t own = create(progid_version);
    EXPECT_EQ(text_of(own.get(DISPID_name)), "Unknown");
    EXPECT_EQ(text_of(own.get(DISPID_path)), "Unknown");
    EXPECT_EQ(int_of(own.get(DISPID_valid)), 0);
    EXPECT_EQ(int_of(own.get(DISPID_exists)), 0);
    EXPECT_EQ(int_of(own.get(DISPID_code_cs)), 0);
    EXPECT_EQ(int_of(tolk.call(DISPID_is_compatible, {own.get()})), 0);
    EXPECT_EQ(int_of(tolk.call(DISPID_is_compatible, {std::int32_t{5}})), 0);
}

TEST_F(GorlithCatalogue, PreferedAndCompatibleVersions) {
    catalogue_folder_t folder;
    const driver_t updater = create(progid_updater);
    updater.call(DISPID_init, {folder.path()});
    const driver_t all = driver_t::to_object(updater.call(DISPID_find_all));
    const driver_t gone = driver_t::to_object(all.call(DISPID_at, {0}));
    const driver_t brisk = driver_t::to_object(all.call(DISPID_at, {1}));

    auto prefered = [&](const pa::variant_t& ver) {
        return text_of(driver_t::to_object(updater.call(DISPID_find_prefered, {ver})).get(DISPID_name));
    };
    EXPECT_EQ(prefered(gone.get()), "Tolk Module version 1.3.0") << "a missing file is never preferred";
    EXPECT_EQ(prefered(brisk.get()), "brisk version 2.0.0");
    const driver_t compatible =
        driver_t::to_object(updater.call(DISPID_find_compatible, {gone.get()}));
    EXPECT_EQ(names_of(compatible),
              (std::vector<std::string>{"Tolk Module version 0.9.0", "Tolk Module version 1.2.3",
                                        "Tolk Module version 1.3.0"}));

    // A version without record: no preferred one, and every record is
    // compatible with it.
    const driver_t own = create(progid_version);
    const driver_t none = driver_t::to_object(updater.call(DISPID_find_prefered, {own.get()}));
    EXPECT_EQ(int_of(none.get(DISPID_valid)), 0);
    EXPECT_EQ(text_of(none.get(DISPID_name)), "Unknown");
    EXPECT_EQ(names_of(driver_t::to_object(updater.call(DISPID_find_compatible, {own.get()}))),
              catalogue_names);

    // Versions keep the catalogue they were made from.
    updater.call(DISPID_init, {folder.path() + "/missing"});
    EXPECT_EQ(int_of(driver_t::to_object(updater.call(DISPID_find_all)).get(DISPID_length)), 0);
    EXPECT_EQ(text_of(brisk.get(DISPID_name)), "brisk version 2.0.0");
    EXPECT_EQ(names_of(all), catalogue_names);
}

// ---------------------------------------------------------------------------

struct not_a_version_row_t {
    const char* name;
    // Made with the updater at hand.
    pa::variant_t (*make)(const driver_t& updater);
};

void PrintTo(const not_a_version_row_t& row, std::ostream* out) {
    *out << row.name;
}

class GorlithArguments : public GorlithServer,
                        public ::testing::WithParamInterface<not_a_version_row_t> {};

TEST_P(GorlithArguments, ThatAreNotVersionsAreRefused) {
    const driver_t updater = create(progid_updater);
    const pa::variant_t argument = GetParam().make(updater);
    for (const auto& [dispid, prefix] :
         {std::pair{DISPID_find_prefered, "updater::find_prefered : "},
          std::pair{DISPID_find_compatible, "updater::find_compatible : "}}) {
        const call_error_t e = error_of([&] { updater.call(dispid, {argument}); });
        EXPECT_EQ(e.hr, pa::DISP_E_EXCEPTION);
        EXPECT_EQ(e.source, progid_updater);
        EXPECT_EQ(e.description, std::string(prefix) + "invalid parameter passed");
    }
    const driver_t unit = create(progid_unit);
    const call_error_t check = error_of([&] { unit.call(DISPID_check_update, {argument}); });
    EXPECT_EQ(check.source, progid_unit);
    EXPECT_EQ(check.description, "Unit::check_update : invalid parameter passed");
    const call_error_t update = error_of([&] { unit.call(DISPID_download, {argument}); });
    EXPECT_EQ(update.description, "Unit::update : invalid parameter passed");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GorlithArguments,
    ::testing::Values(
        not_a_version_row_t{"integer", [](const driver_t&) { return pa::variant_t(std::int32_t{5}); }},
        not_a_version_row_t{"text", [](const driver_t&) { return pa::variant_t("tolk_1_2_3.bin"); }},
        not_a_version_row_t{"no_object",
                            [](const driver_t&) { return pa::variant_t(static_cast<pa::IDispatch*>(nullptr)); }},
        not_a_version_row_t{"vector_of_the_server",
                            [](const driver_t& u) { return u.call(DISPID_find_all); }},
        not_a_version_row_t{"updater_itself",
                            [](const driver_t& u) { return pa::variant_t(u.get()); }}),
    [](const auto& info) { return std::string(info.param.name); });

struct address_row_t {
    const char* name;
    const char* text;
};

void PrintTo(const address_row_t& row, std::ostream* out) {
    *out << row.name;
}

class GorlithUploadAddress : public GorlithServer,
                            public ::testing::WithParamInterface<address_row_t> {};

// A lenient read would turn these into 0.0.0.0 (or a part of them into an
// address) and send the job to this machine's own TFTP server.
TEST_P(GorlithUploadAddress, ThatIsNoUnitAddressIsRefused) {
    const driver_t updater = create(progid_updater);
    const call_error_t e = error_of([&] { updater.call(DISPID_upload, {GetParam().text}); });
    EXPECT_EQ(e.hr, pa::DISP_E_EXCEPTION);
    EXPECT_EQ(e.source, progid_updater);
    EXPECT_EQ(e.description, "updater::upload : invalid parameter passed");
}

INSTANTIATE_TEST_SUITE_P(Rows, GorlithUploadAddress,
                         ::testing::Values(address_row_t{"empty", ""},
                                           address_row_t{"host_name", "unit.local"},
                                           address_row_t{"three_parts", "10.0.0"},
                                           address_row_t{"part_above_255", "10.0.0.256"},
                                           address_row_t{"trailing_text", "10.0.0.5x"},
                                           address_row_t{"any_address", "0.0.0.0"},
                                           address_row_t{"mac_text", "0060"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------

// Objects a client created itself have no unit, job or record behind them.
using GorlithOwnObjects = GorlithServer;

TEST_F(GorlithOwnObjects, UnitWithoutFamilyAnswersAndRefuses) {
    catalogue_folder_t folder;
    const driver_t updater = create(progid_updater);
    updater.call(DISPID_init, {folder.path()});
    const pa::variant_t listed = driver_t::to_object(updater.call(DISPID_find_all)).call(DISPID_at, {1});
    const driver_t unit = create(progid_unit);

    EXPECT_EQ(int_of(unit.get(DISPID_type)), -1);
    EXPECT_FALSE(driver_t::to_object(unit.get(DISPID_ver))) << "no version without a family";
    EXPECT_EQ(text_of(unit.get(DISPID_mac)), "");

    const struct {
        const char* name;
        std::function<void()> call;
        const char* description;
    } rows[] = {
        {"check_without_family", [&] { unit.call(DISPID_check_update, {listed}); },
         "Unit::check_update : object error"},
        {"check_with_version_without_record",
         [&] { unit.call(DISPID_check_update, {create(progid_version).get()}); },
         "Unit::check_update : object error"},
        {"boot_mode_3", [&] { unit.call(DISPID_download2, {listed, 3, 0}); },
         "Unit::update : invalid boot range"},
        {"boot_mode_negative", [&] { unit.call(DISPID_download2, {listed, -1, 0}); },
         "Unit::update : invalid boot range"},
        {"runtime_mode_2", [&] { unit.call(DISPID_download2, {listed, 0, 2}); },
         "Unit::update : invalid code range"},
        {"boot_checked_before_the_version", [&] { unit.call(DISPID_download2, {5, 3, 2}); },
         "Unit::update : invalid boot range"},
        {"download_without_family", [&] { unit.call(DISPID_download, {listed}); },
         "Unit::update : object error"},
        {"short_mac", [&] { unit.put(DISPID_mac, "0060"); }, "Unit::mac : invalid parameter passed"},
    };
    for (const auto& row : rows) {
        const call_error_t e = error_of(row.call);
        EXPECT_EQ(e.hr, pa::DISP_E_EXCEPTION) << row.name;
        EXPECT_EQ(e.source, progid_unit) << row.name;
        EXPECT_EQ(e.description, row.description) << row.name;
    }
    unit.put(DISPID_mac, "00602b0a0b0c");
    EXPECT_EQ(text_of(unit.get(DISPID_mac)), "") << "without family nothing happens";
}

TEST_F(GorlithOwnObjects, JobVectorAndCheckWithoutContent) {
    const driver_t job = create(progid_job);
    for (const pa::DISPID member : {DISPID_done, DISPID_status, DISPID_percent, DISPID_result}) {
        const call_error_t e = error_of([&] { job.invoke(member, pa::DISPATCH_METHOD | pa::DISPATCH_PROPERTYGET, {}); });
        EXPECT_EQ(e.source, progid_job);
        EXPECT_EQ(e.description, "object error");
    }
    const driver_t vector = create(progid_com_vector);
    EXPECT_EQ(int_of(vector.get(DISPID_length)), 0);
    EXPECT_EQ(error_of([&] { vector.call(DISPID_at, {0}); }).description,
              "Illegal index 0 for vector with 0 element(s).");
    const driver_t check = create(progid_update_check);
    for (const pa::DISPID flag : {DISPID_boot_update, DISPID_code_update, DISPID_fpga_update,
                                  DISPID_config_update, DISPID_boot_differs})
        EXPECT_EQ(int_of(check.get(flag)), 0);
}

// ---------------------------------------------------------------------------

// A vector of three versions.
class GorlithVector : public GorlithServer {
protected:
    void SetUp() override {
        GorlithServer::SetUp();
        write_file(dir_.file("a_1_0_0.bin"), tolk_image(1, {0x100001, 1, 0, 0, 0}));
        write_file(dir_.file("b_1_0_0.bin"), tolk_image(2, {0x100002, 1, 0, 0, 0}));
        write_file(dir_.file("c_1_0_0.bin"), tolk_image(3, {0x100003, 1, 0, 0, 0}));
    }
    driver_t three(driver_t& updater) {
        updater = create(progid_updater);
        updater.call(DISPID_init, {dir_.path()});
        return driver_t::to_object(updater.call(DISPID_find_all));
    }
    temp_dir_t dir_;
};

TEST_F(GorlithVector, AtOutOfRangeNamesTheIndex) {
    driver_t updater;
    const driver_t vector = three(updater);
    EXPECT_EQ(int_of(vector.get(DISPID_length)), 3);
    for (const std::int32_t index : {-1, 3, 256}) {
        const call_error_t e = error_of([&] { vector.call(DISPID_at, {index}); });
        EXPECT_EQ(e.hr, pa::DISP_E_EXCEPTION);
        EXPECT_EQ(e.source, progid_com_vector);
        EXPECT_EQ(e.description,
                  "Illegal index " + std::to_string(index) + " for vector with 3 element(s).");
    }
    // Items are made once: later requests give the same object.
    const pa::variant_t first = vector.call(DISPID_at, {2});
    const pa::variant_t again = vector.call(DISPID_at, {2});
    EXPECT_EQ(first.pdispVal, again.pdispVal);
    EXPECT_EQ(text_of(driver_t::to_object(first).get(DISPID_name)), "c version 1.0.0");
}

struct name_row_t {
    const char* name;
    const char* text;
    pa::HRESULT hr;
    pa::DISPID id;
};

void PrintTo(const name_row_t& row, std::ostream* out) {
    *out << row.name;
}

class GorlithVectorNames : public GorlithVector, public ::testing::WithParamInterface<name_row_t> {};

TEST_P(GorlithVectorNames, NumbersAreItemsOtherNamesMembers) {
    driver_t updater;
    const driver_t vector = three(updater);
    const char* names[] = {GetParam().text};
    pa::DISPID id = 12345;
    EXPECT_EQ(vector.get()->GetIDsOfNames(pa::GUID_NULL, names, 1, 0, &id), GetParam().hr);
    EXPECT_EQ(id, GetParam().id);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GorlithVectorNames,
    ::testing::Values(name_row_t{"empty_is_item_0", "", pa::S_OK, 256},
                      name_row_t{"two", "2", pa::S_OK, 258},
                      name_row_t{"leading_digits", "2a", pa::S_OK, 258},
                      name_row_t{"beyond_the_end", "5", pa::S_OK, 261},
                      name_row_t{"length_member", "length", pa::S_OK, DISPID_length},
                      name_row_t{"at_member", "AT", pa::S_OK, DISPID_at},
                      name_row_t{"unknown_name", "size", pa::DISP_E_UNKNOWNNAME, pa::DISPID_UNKNOWN}),
    [](const auto& info) { return std::string(info.param.name); });

struct element_row_t {
    const char* name;
    pa::DISPID id;
    std::uint16_t flags;
    pa::HRESULT hr;
};

void PrintTo(const element_row_t& row, std::ostream* out) {
    *out << row.name;
}

class GorlithVectorElements : public GorlithVector,
                             public ::testing::WithParamInterface<element_row_t> {};

TEST_P(GorlithVectorElements, OnlyAPropertyGetInRangeGivesTheItem) {
    const element_row_t& row = GetParam();
    driver_t updater;
    const driver_t vector = three(updater);
    pa::DISPPARAMS none;
    pa::variant_t result;
    pa::EXCEPINFO excep;
    const pa::HRESULT hr =
        vector.get()->Invoke(row.id, pa::GUID_NULL, 0, row.flags, &none, &result, &excep, nullptr);
    EXPECT_EQ(hr, row.hr);
    if (hr == pa::S_OK) {
        ASSERT_EQ(result.vt, pa::VT_DISPATCH);
        EXPECT_EQ(text_of(driver_t::to_object(result).get(DISPID_name)), "c version 1.0.0");
    } else if (hr == pa::DISP_E_EXCEPTION) {
        EXPECT_EQ(excep.wCode, 1001);
        EXPECT_EQ(pa::bstr_view(excep.bstrSource), "com_vector");
        EXPECT_EQ(pa::bstr_view(excep.bstrDescription),
                  "Illegal index " + std::to_string(row.id - 256) + " for vector with 3 element(s).");
    }
    pa::clear_excepinfo(excep);
}

constexpr std::uint16_t get = pa::DISPATCH_PROPERTYGET;
constexpr std::uint16_t method = pa::DISPATCH_METHOD;
constexpr std::uint16_t put = pa::DISPATCH_PROPERTYPUT;

INSTANTIATE_TEST_SUITE_P(
    Rows, GorlithVectorElements,
    ::testing::Values(
        element_row_t{"property_get", 258, get, pa::S_OK},
        element_row_t{"method_and_property_get", 258, method | get, pa::DISP_E_TYPEMISMATCH},
        element_row_t{"method", 258, method, pa::DISP_E_TYPEMISMATCH},
        element_row_t{"property_put", 258, put, pa::DISP_E_TYPEMISMATCH},
        element_row_t{"get_beyond_the_end", 261, get, pa::DISP_E_EXCEPTION},
        element_row_t{"method_beyond_the_end", 259, method, pa::DISP_E_EXCEPTION}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
