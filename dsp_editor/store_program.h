#pragma once
// The store program of the templates stored on the unit: each template's
// sheet read from its file and written between "*SAVEM" and "*ENDMD#" with
// the resets the unit's other templates need.
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string_view>

#include "dsp_editor/store_list.h"
#include "dsp_editor/stored_templates.h"

namespace dsp_editor {

class CZoDSPDoc;

// A sheet file opened as a second document, or null after message 286.
std::unique_ptr<CZoDSPDoc> OpenTemplateSheet(const std::filesystem::path& path);

// CompareFirmTemplates for the template of every slot but `slot`; false
// when a file cannot be opened (286).
bool CollectFirmTemplates(const TemplateSlotPaths& paths, int slot, std::string_view structName,
                          std::size_t start, CStoreList& list);
// The store program of the template `stored` (opened from its file; its
// stored execution order numbers are taken as they are): *SAVEM, the
// structure, the resets the other slots need, its parameters (each
// replacing the resets of the same parameter), the meter taps, ENDD, RUN,
// *ENDMD. False after message 338 (a bad link) or 348 (the resets).
bool BuildFirmTemplateCommands(CZoDSPDoc& stored, const TemplateSlotPaths& paths, CStoreList& list);

} // namespace dsp_editor
