#pragma once
// Shared by the device sheet tests: a message sink that records what the
// model shows, logs and asks (single-threaded; model::CRecordingMessages is
// the thread-safe one), a program folder of its own per test (with or
// without an Ostrel.ini), and single objects stored and loaded again.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/base_device.h"
#include "model/device_chnl.h"
#include "model/device_document.h"
#include "model/device_link.h"
#include "model/messages.h"
#include "model_fixtures.h"
#include "platform/archive/archive.h"

namespace device_test {

// The i-th channel of a device, as the device channel it must be; a test
// that reaches a missing one fails rather than crashing.
inline model::CDeviceChnl& chnl(model::CBaseDevice& d, int i) {
    model::CDeviceChnl* c = model::AsDeviceChnl(d.GetChnl(i));
    if (c == nullptr)
        throw std::runtime_error("no device channel " + std::to_string(i));
    return *c;
}
inline const model::CDeviceChnl& chnl(const model::CBaseDevice& d, int i) {
    return chnl(const_cast<model::CBaseDevice&>(d), i);
}

class RecordingSink : public model::IMessageSink {
public:
    RecordingSink() : previous_(model::SetMessageSink(this)) {}
    ~RecordingSink() override { model::SetMessageSink(previous_); }
    RecordingSink(const RecordingSink&) = delete;
    RecordingSink& operator=(const RecordingSink&) = delete;

    void ShowMessage(int id, const std::string& text) override { shown.emplace_back(id, text); }
    void Log(int id, const std::string& text) override { logged.emplace_back(id, text); }
    model::EMessageAnswer Ask(int id, const std::string& text, model::EMessageButtons,
                              model::EMessageAnswer defaultAnswer) override {
        asked.emplace_back(id, text);
        return defaultAnswer;
    }

    std::vector<int> ShownIds() const { return ids(shown); }
    std::vector<int> LoggedIds() const { return ids(logged); }

    std::vector<std::pair<int, std::string>> shown, logged, asked;

private:
    static std::vector<int> ids(const std::vector<std::pair<int, std::string>>& v) {
        std::vector<int> out;
        for (const auto& [id, text] : v)
            out.push_back(id);
        return out;
    }
    model::IMessageSink* previous_;
};

// $OSTREL_HOME set to a fresh folder for the scope.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes Ostrel.ini and has the program settings read again.
    void WriteIni(std::string_view text) const;

private:
    std::filesystem::path path_;
    std::unique_ptr<model_test::ScopedEnv> env_;
};

// The object's archive form as one object of a stream.
std::vector<std::uint8_t> StoreObject(platform::archive::serializable_t& object);

// The object stored and loaded back as a new object of the same family.
template <class T> std::unique_ptr<T> RoundTrip(T& object) {
    const std::vector<std::uint8_t> bytes = StoreObject(object);
    platform::archive::archive_t in(bytes, model_test::sheet_registry());
    auto loaded = in.ReadObject<T>();
    if (!in.AtEnd())
        throw std::runtime_error("object left bytes unread");
    return loaded;
}

// A sheet that holds settings and nothing else, for drawing links whose
// colours come from the sheet.
class SettingsOnlySheet : public model::IDeviceDoc {
public:
    model::DeviceSheetSettings settings;
    const model::DeviceSheetSettings& GetSheetSettings() const override { return settings; }
    void CopySheetProperties(const IDeviceDoc&) override {}
    std::unique_ptr<IDeviceDoc> CreateSheetHolder() const override { return nullptr; }
    int GetDeviceCount() const override { return 0; }
    model::CBaseDevice* GetDevice(int) const override { return nullptr; }
    model::CBaseDevice* FindDevice(std::int32_t, std::int32_t) const override { return nullptr; }
    model::CBaseDevice* FindSameIdDevice(std::int32_t, std::int32_t, std::int32_t) const override
    {
        return nullptr;
    }
    model::CDeviceLink* FindLink(std::int32_t) const override { return nullptr; }
    void AddDevice(std::unique_ptr<model::CBaseDevice>) override {}
    bool AddLinkFromRecord(std::unique_ptr<model::CDeviceLink>) override { return false; }
    void DeleteDevice(std::int32_t, std::int32_t) override {}
    void DeleteLink(std::int32_t) override {}
    void SetDeviceSelection(model::CBaseDevice&, bool) override {}
    void MoveDevice(model::CBaseDevice&, std::int32_t, std::int32_t) override {}
    void MoveDeviceTitle(model::CBaseDevice&, std::int32_t, std::int32_t) override {}
    void ChangeDevice(model::CBaseDevice&, const model::CBaseDevice&) override {}
    void SetModifiedFlag(bool) override {}
    bool IsModified() const override { return false; }
    model::IUndoHost* GetUndoHost() const override { return nullptr; }
};

} // namespace device_test
