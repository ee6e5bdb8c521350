// Export marker of the host base library KoBase.
#pragma once

#if defined(_WIN32)
#if defined(KOBASE_BUILDING)
#define KOBASE_API __declspec(dllexport)
#else
#define KOBASE_API __declspec(dllimport)
#endif
#else
#define KOBASE_API __attribute__((visibility("default")))
#endif
