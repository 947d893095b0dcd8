// The kit's export marking. The shared library is built with hidden visibility, so only what stands between
// QV_EXPORT_BEGIN and QV_EXPORT_END (the public headers) is exported; a header without the pair is internal
// and is not installed.
#pragma once

#define QV_EXPORT_BEGIN _Pragma("GCC visibility push(default)")
#define QV_EXPORT_END _Pragma("GCC visibility pop")
