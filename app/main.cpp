#include "app/program.h"
#include "backup/backupform.h"
#include "drugs/druglistform.h"
#include "residents/patientlistform.h"

namespace {

// Each window lives for one use: created on demand, shown modally, destroyed.
template <class Form> void showModal(QWidget* owner) {
    Form form(owner);
    form.exec();
}

} // namespace

int main(int argc, char** argv) {
    DosarixApplication app(argc, argv);
    MainWindowHooks hooks;
    hooks.openPatientList = showModal<TPatientListForm>;
    hooks.openDrugList = showModal<TDrugListForm>;
    hooks.openBackupWindow = showModal<TBackupForm>;
    hooks.startOfDayBackup = [](QWidget* owner) { TBackupForm(owner).startOfDayBackup(); };
    hooks.exitBackup = [](QWidget* owner) { TBackupForm(owner).exitBackup(); };
    return runProgram(app, hooks);
}
