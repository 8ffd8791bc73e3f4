// Creating and ending the server object behind a Louie.
#ifndef KELOCLI_CLIENT_CONNECTION_H
#define KELOCLI_CLIENT_CONNECTION_H

#include <windows.h>
#include <oaidl.h>

namespace kelocli {

// Creates a server object (local server) and stores its dispatch interface in *dispatch, holding
// one reference. On failure of the creation *dispatch is left as it was; on failure of the query
// for IDispatch it is null.
//
// A server process that is just ending (CO_E_SERVER_STOPPING), has just ended or failed during
// the call (RPC errors), or was started twice and gave way (E_NOINTERFACE,
// CO_E_SERVER_EXEC_FAILURE) is asked again: at most kCreationAttempts times, and no new attempt
// once a second has passed. Other failures, such as a class that is not registered, answer at once.
HRESULT ConnectServer(IDispatch** dispatch);

constexpr int kCreationAttempts = 5;

// Whether a failed creation is worth asking again.
bool IsPassingCreationFailure(HRESULT code);

// Tells the server object "Close" and releases the interface. The interface is released also
// when "Close" cannot be looked up, so that a server that lost the name is not kept alive.
void CloseServer(IDispatch* dispatch, DISPID* dispIds);

}  // namespace kelocli

#endif
