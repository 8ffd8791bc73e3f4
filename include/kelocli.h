// kelocli: the client library through which a Windows host drives the Pimbax image server.
//
//   Dewey  one open document; owns its Louie              (dewey.h)
//   Louie  the automation client of that document        (louie.h)
//   Huey   the view: 2D geometry, painting, 3D camera     (huey.h)
//
// Link against libkelocli.dll.a (or kelocli.lib) and ship kelocli.dll beside the host.
#ifndef KELOCLI_H
#define KELOCLI_H

#include "kelocli_records.h"
#include "zevobject.h"
#include "louie.h"
#include "dewey.h"
#include "huey.h"

#endif
