#pragma once

// The headers in this folder are the store's own: the backends, their files and SQL, and the
// administration behind store_admin.h. Only the messaging library sees them; everything above it
// uses the client classes, store_admin.h and store_location.h.
#ifndef KX_MESSAGING_INTERNAL
#error "platform/messaging/store/ is private to the messaging library; include its public headers"
#endif
