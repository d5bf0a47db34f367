#pragma once
// Which files the program opens: the one check made before a file is opened,
// by the application's open and by both editors' File Open commands alike.
// Inline, so that the editors' headless cores make it without linking the
// shell.
#include <string>

#include "model/messages.h"
#include "resources/message_ids.h"

namespace shell {

// The kinds of document a path names.
enum class EDocumentFile { Other, DeviceSheet, DspSheet };

// The kind of document `path` names by its last three characters in lower
// case: ".zo" a device sheet, "dsp" a DSP sheet ("x.DSP" is one). Any other
// file is refused with message 285 and is Other.
inline EDocumentFile CheckFileToOpen(const std::string& path) {
    std::string tail = path.size() >= 3 ? path.substr(path.size() - 3) : path;
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (tail == ".zo")
        return EDocumentFile::DeviceSheet;
    if (tail == "dsp")
        return EDocumentFile::DspSheet;
    model::ShowMessage(resources::kMsgBadFileFormat);
    return EDocumentFile::Other;
}

} // namespace shell
