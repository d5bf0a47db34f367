#pragma once
// A unit's stored configuration (Configuration/<MAC>.ini in the program
// folder, written by the hardware-configuration dialogs) as the device sheet
// shows it: which channels of the unit are in use. The dialogs name the
// unit that changed; these calls bring the open sheet's devices of that MAC
// up to date, or take the unit off them when its file was deleted.
//
// The file's [InChannelProperty] "InChannel<k>" and [OutChannelProperty]
// "OutChannel<k>" (k from 1, a missing file or key reading 0) go to the
// channel property of the unit devices (device kind 1) whose MAC equals the
// changed MAC without regard to case:
//  - the two halves of models 4, 7, 8, 9 and 19: whichever half carries the
//    MAC, both are filled. The input half's physical input k and the network
//    send k that carries it take InChannel<k>; the output half's network
//    receive k and the physical output k it feeds take OutChannel<k>;
//  - every other unit (models 1-3 in sub-type 3 among them) by its channel
//    counts: input k takes InChannel<k>, output k takes OutChannel<k>.
//
// Each device whose fields change is announced as ObjectChanged (bounds
// unchanged) through CZoDeviceDoc::ChangeDevice, so its views redraw it, and
// the document is marked modified. A changed MAC that is not 12 hexadecimal
// digits names no unit: nothing happens.
#include <filesystem>
#include <string>

#include "device_editor/zo_device_doc.h"

namespace device_editor {

// Reads the changed unit's file, found in `programFolder` with the folder
// "Configuration" and the file "<changedMac>.ini" matched without regard to
// case, into the matching devices.
void LoadDeviceConfiguration(CZoDeviceDoc& doc, const std::string& changedMac,
                             const std::filesystem::path& programFolder);

// The unit's file is gone: every matching device and its other half (of a
// two-half model) gets the unassigned MAC "00602b", transmit bundles 0 and
// every input and output channel property 0.
void ForgetDeviceConfiguration(CZoDeviceDoc& doc, const std::string& changedMac);

} // namespace device_editor
