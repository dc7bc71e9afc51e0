// The first-run agreement prompt: the game's EULA.rtf or EULA.txt in a window of its own, with
// its own pass of the event loop, before the storefront plug-in or the main window exist.
#pragma once

#include <Carbon/Carbon.h>

// The agreement file of the main bundle's resources: EULA.rtf if there is one, else EULA.txt,
// else null (looked for again on the next call). isRTF, when given, says which one was found.
// The URL belongs to the cache.
CFURLRef GetEulaFileName(bool* isRTF);

// True when the user has not yet agreed for this game and the bundle has an agreement to show.
bool GameWrapperEULAEvent_NeedsShowEula();

// Shows the agreement window of the nib "main" and runs the event loop until the user agrees,
// declines, quits, closes the window or SIGTERM arrives (all but agreeing store nothing). The
// nib's and the window's status when they cannot be made; the handler
// installation's status when the loop could not be run; otherwise noErr. The prompt's command
// handler is removed again before this returns, so its commands mean nothing afterwards.
OSStatus GameWrapperEULAEvent_main();

// The prompt's handler of kEventCommandProcess on the application target: 'ok  ' stores the
// agreement and closes the prompt, 'not!' and 'quit' close it, 'new ' and 'open' are swallowed.
OSStatus AppHandleCommandEventHandler(EventHandlerCallRef handlerCall, EventRef event,
                                      void* userData);
OSStatus InstallApplicationEventHandlerOnAppTarget();
// Disposes of every window in front (only the prompt exists now) and quits the loop.
OSStatus PrepareToQuitEULAWindow();
// The agreement window's close box, and SIGTERM while the prompt is shown: both decline.
OSStatus EULAWindowCloseEventHandler(EventHandlerCallRef handlerCall, EventRef event,
                                     void* userData);
void DeclineOnSignal(int signalNumber);
