// Export macro of kelocli.dll: the library's own build defines KELOCLI_BUILDING.
#ifndef KELOCLI_EXPORT_H
#define KELOCLI_EXPORT_H

#ifdef KELOCLI_BUILDING
#define KELOCLI_API __declspec(dllexport)
#else
#define KELOCLI_API __declspec(dllimport)
#endif

#endif
