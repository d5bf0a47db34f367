// The archive loader with every sheet class registered, fed as the device
// sheet editor opens a .zo file, as the model reads a stream of sheet
// objects and as a DSP sheet reads its module array. Whatever loads must
// draw and store, and a stored sheet must load again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "device_editor/zo_device_doc.h"
#include "model/base_ari_module.h"
#include "model/base_device.h"
#include "model/base_link.h"
#include "model/base_module.h"
#include "model/messages.h"
#include "model/sheet_classes.h"
#include "platform/archive/archive.h"
#include "platform/archive/object_array.h"
#include "platform/gdi/recording_canvas.h"

namespace {

namespace pa = platform::archive;

// Message 157 (a sheet of an unknown version) would go to standard error
// once per input.
class quiet_messages_t final : public model::IMessageSink {
public:
    void ShowMessage(int, const std::string&) override {}
    void Log(int, const std::string&) override {}
    model::EMessageAnswer Ask(int, const std::string&, model::EMessageButtons,
                              model::EMessageAnswer defaultAnswer) override {
        return defaultAnswer;
    }
};

// What a view does with a loaded object first.
void draw(pa::serializable_t* object) {
    platform::gdi::RecordingCanvas dc(7);
    if (auto* device = dynamic_cast<model::CBaseDevice*>(object))
        device->Draw(dc, 3, -2);
    else if (auto* module = dynamic_cast<model::CBaseAriModule*>(object))
        module->Draw(dc, 3, -2);
    else if (auto* link = dynamic_cast<model::CBaseLink*>(object))
        link->Draw(dc, 3, -2);
}

void open_as_sheet(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> saved;
    {
        device_editor::CZoDeviceDoc doc;
        try {
            doc.OpenDocument(bytes);
        } catch (const pa::archive_error&) {
            return;
        }
        platform::gdi::RecordingCanvas dc(7);
        for (int i = 0; i < doc.GetDeviceCount(); ++i)
            doc.GetDevice(i)->Draw(dc, 0, 0);
        for (int i = 0; i < doc.GetLinkCount(); ++i)
            doc.GetLink(i)->DrawLink(dc, doc, 0, 0);
        saved = doc.SaveDocument();
    }
    device_editor::CZoDeviceDoc again;
    again.OpenDocument(saved); // a sheet this program stored must load
    if (again.SaveDocument() != saved)
        std::abort();
}

void read_as_objects(std::span<const std::uint8_t> bytes) {
    pa::archive_t ar(bytes, model::SheetClasses());
    try {
        while (!ar.AtEnd()) {
            const std::unique_ptr<pa::serializable_t> object = ar.ReadObject(nullptr);
            if (!object)
                continue;
            draw(object.get());
            pa::archive_t out;
            out.WriteObject(object.get());
        }
    } catch (const pa::archive_error&) {
    }
}

// As a DSP sheet keeps its modules: one array, stored back.
void read_as_modules(std::span<const std::uint8_t> bytes) {
    pa::archive_t ar(bytes, model::SheetClasses());
    pa::object_array_t<model::CBaseModule> modules;
    try {
        modules.Serialize(ar);
    } catch (const pa::archive_error&) {
        return;
    }
    for (const auto& module : modules)
        draw(module.get());
    pa::archive_t out;
    modules.Serialize(out);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Sheet defaults come from Ostrel.ini in the program folder: none here.
    ::setenv("OSTREL_HOME", "/nonexistent/ostrel-fuzz", 1);
    static quiet_messages_t quiet;
    model::SetMessageSink(&quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    open_as_sheet(bytes);
    read_as_objects(bytes);
    read_as_modules(bytes);
    return 0;
}
