// The demo's two walks through the model.
#pragma once

// One tracked object and two observers: the change protocol step by step.
void walkTrackedObject();

// A realistic configuration, an agent watching it, and the front end's
// request that runs through the whole tree.
void walkConfiguration();
