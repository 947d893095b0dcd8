// Thread names. Linux keeps at most 15 characters of a thread's name and refuses longer ones, so the OS
// gets the first 15 and the full name is kept for the calling thread, where the kit reports it.
#pragma once

#include <string>
#include <string_view>

#include "qv/os/Export.h"

QV_EXPORT_BEGIN
namespace qv {

// Names the calling thread: the OS sees the first 15 characters, currentThreadName() the whole name.
void setCurrentThreadName(std::string_view name);
// The full name given by setCurrentThreadName on this thread, or the OS's name when none was given.
std::string currentThreadName();

}  // namespace qv
QV_EXPORT_END
