#include "settings/settings_forms.h"

#include "app/gui/tform1.h"

SettingsForms CreateSettingsForms(TForm1& form1, Processes& processes, Clock& clock) {
    SettingsForms forms;
    forms.dialogs = std::make_unique<QtDialogs>(&form1);
    forms.form2 = std::make_unique<TForm2>(form1.State(), *forms.dialogs, processes, clock, &form1);
    forms.dialogs->SetParent(forms.form2.get());
    forms.form3 =
        std::make_unique<TForm3>(*forms.dialogs, form1.State().PathSeparator, forms.form2.get());
    forms.form4 = std::make_unique<TForm4>(*forms.dialogs, forms.form2.get());
    forms.form2->UseDialogs(forms.form3.get(), forms.form4.get());

    TForm2* form2 = forms.form2.get();
    form2->SetHomeH1Click([&form1] { form1.HomeH1Click(); });
    form1.ShowSettingsForm = [form2] { form2->ShowSettings(); };
    form1.StartIndexerForm = [form2] { form2->StartIndexer(); };
    form2->SetUpdateListener([&form1](const UpdateState& update) {
        form1.ShowUpdateProgress(update.UpdateRunning == 1, update.StatusText);
    });
    return forms;
}
