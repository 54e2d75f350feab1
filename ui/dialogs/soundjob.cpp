#include "ui/dialogs/soundjob.h"

#include "device/soundfile.h"
#include "model/cause.h"
#include "ui/widgets/modeltext.h"

#include <QThread>

#include <memory>

TSoundJob::~TSoundJob()
{
    if (Thread) {
        Thread->wait();
        delete Thread;
    }
}

void TSoundJob::Start(const std::string &path, const TSoundRecipe &recipe)
{
    if (Thread)
        return;
    struct TResult
    {
        std::string Error;
        TLoudness Loudness;
    };
    auto result = std::make_shared<TResult>();
    Thread = QThread::create([path, recipe, result] {
        try {
            result->Loudness = WriteSoundPair(path, recipe);
        } catch (const std::exception &e) {
            result->Error = FailureText(e, path);
        }
    });
    connect(Thread, &QThread::finished, this, [this, result] {
        Thread->deleteLater();
        Thread = nullptr;
        emit Done(FromModel(result->Error), result->Loudness);
    });
    Thread->start();
}
