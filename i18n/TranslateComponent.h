#pragma once
// Translation of a window's design texts, the first step of each window's creation.

class QObject;
class TranslationState;
class ExclusionRegistry;

// Walks the window and the objects reached from it breadth first, each once, and writes back
// every text whose translation differs. Throws Exception ("Property cannot be translated. ...")
// when a text cannot be read, looked up or written; the texts translated so far stay.
void TranslateComponent(QObject *window);
void TranslateComponent(QObject *window, TranslationState &state,
                        const ExclusionRegistry &registry);
