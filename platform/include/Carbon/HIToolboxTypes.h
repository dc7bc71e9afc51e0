// The opaque object references of HIToolbox and its geometry types. Windows, views, menus and
// HIObjects are declared here once so that events can carry them as parameters.
#pragma once

#include <MacTypes.h>
#include <CoreGraphics/CGGeometry.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueWindowPtr* WindowRef;
typedef struct OpaqueControlRef* ControlRef;
typedef ControlRef HIViewRef;
typedef struct OpaqueMenuRef* MenuRef;
typedef struct OpaqueHIObjectRef* HIObjectRef;
typedef UInt16 MenuItemIndex;
typedef UInt32 MenuCommand;

typedef CGPoint HIPoint;
typedef CGSize HISize;
typedef CGRect HIRect;

#ifdef __cplusplus
}
#endif
