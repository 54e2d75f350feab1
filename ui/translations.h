#pragma once

class QCoreApplication;

/// Loads Qt's own Russian texts (standard buttons, file dialogs) from Qt's translations folder,
/// whatever the system's language: the program's own texts are Russian in any case.
void InstallQtTranslations(QCoreApplication &app);
