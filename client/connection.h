// Creating and ending the server object behind a Louie.
#ifndef KELOCLI_CLIENT_CONNECTION_H
#define KELOCLI_CLIENT_CONNECTION_H

#include <windows.h>
#include <oaidl.h>

namespace kelocli {

// The image server's class: {CF495723-8632-11CE-BCAF-000000001B1B}.
extern const CLSID kServerClassId;

// Creates a server object (local server) and stores its dispatch interface in *dispatch, holding
// one reference. On failure of the creation *dispatch is left as it was; on failure of the query
// for IDispatch it is null.
HRESULT ConnectServer(IDispatch** dispatch);

// Tells the server object "Close" and releases the interface. The interface is released also
// when "Close" cannot be looked up, so that a server that lost the name is not kept alive.
void CloseServer(IDispatch* dispatch, DISPID* dispIds);

}  // namespace kelocli

#endif
