#include "app/ProgramQuit.h"

#include "looks/Alert.h"

#include <QCoreApplication>

void quitProgram() {
    dismissOpenAlerts();
    QCoreApplication::quit();
}
