// Keeps the server's COM interfaces registered for the life of the process.
//
// Measured under Wine 8: when the last stub of an interface goes (a client releases the last
// object of its kind, or the last reference to the class's activation object), COM unregisters
// the interface and waits, holding its registration lock, for every call under way on it to end;
// a creation that another client has under way needs that lock to hand out its new object, and
// the two wait for each other for ever. A second client then hangs in its creation, and every
// later creation with it. Holding one stub of each interface the server hands out
// (IUnknown, IDispatch, IServiceProvider) for the life of the process keeps every interface
// registered, so that nothing is ever unregistered while calls run.
#ifndef PIMBAX_SERVER_RUNTIME_INTERFACE_PINS_H
#define PIMBAX_SERVER_RUNTIME_INTERFACE_PINS_H

namespace pimbax {

// Once, in the multithreaded apartment, before the class object is registered.
void PinInterfaces();

}  // namespace pimbax

#endif
