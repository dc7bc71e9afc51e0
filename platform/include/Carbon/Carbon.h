// The whole Mac API subset that MacPlatform provides.
#pragma once

#include <MacTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/CoreServices.h>
#include <ApplicationServices/Processes.h>
#include <ApplicationServices/LaunchServices.h>
#include <CoreGraphics/CoreGraphics.h>
#include <Carbon/HIViewDrawing.h>
#include <Carbon/CarbonEvents.h>
#include <Carbon/MacWindows.h>
#include <Carbon/HIObject.h>
#include <Carbon/Controls.h>
#include <Carbon/HIView.h>
#include <Carbon/MacTextEditor.h>
#include <Carbon/HITextViews.h>
#include <Carbon/HIScrollView.h>
#include <Carbon/MacPlatformSignals.h>
#include <Carbon/MacPlatformDesktop.h>
#include <Carbon/MacPlatformControllers.h>
#include <Carbon/IBCarbonRuntime.h>
#include <Carbon/Menus.h>
#include <Carbon/Dialogs.h>
#include <Carbon/Appearance.h>
#include <Carbon/MacApplication.h>
