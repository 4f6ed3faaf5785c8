#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include "InjectedDetectors.h"
#include "engine/detectors/FaceDetector.h"
#include "engine/detectors/ModelFiles.h"
#include "../../support/SamplePhotos.h"
using namespace kelvaro; using namespace kelvaro::detectors;
TEST(DISABLED_Scratch, Group) {
    BlazeFaceDetector front(modelFile(faceFrontModel), QString());
    BlazeFaceDetector back(QString(), modelFile(faceBackModel));
    cv::Mat one = test::rgbMatFromFile(test::samplePhoto("astronaut.png"));
    cv::Mat cam = test::rgbMatFromFile(test::samplePhoto("camera.png"));
    for (int s : {40, 60, 100, 160, 300}) {
        cv::Mat small, csmall; cv::resize(one, small, cv::Size(s*512/100*100/512*1, s), 0,0, cv::INTER_AREA); cv::resize(cam, csmall, cv::Size(s,s), 0,0,cv::INTER_AREA);
        cv::Mat group(768, 1024, CV_8UC3, cv::Scalar(90, 110, 100));
        small.copyTo(group(cv::Rect(cv::Point(100,100), small.size()))); csmall.copyTo(group(cv::Rect(cv::Point(600,300), csmall.size())));
        printf("size %d (face ~%d px)\n", s, s*90/512);
        for (auto& c : suppressOverlaps(front.candidates(group))) printf("  front %.0f,%.0f %.0fx%.0f %.2f\n", c.box.x, c.box.y, c.box.width, c.box.height, c.score);
        for (auto& c : suppressOverlaps(back.candidates(group))) printf("  back %.0f,%.0f %.0fx%.0f %.2f\n", c.box.x, c.box.y, c.box.width, c.box.height, c.score);
    }
}
TEST(DISABLED_Scratch, Faces) {
    BlazeFaceDetector blaze(modelFile(faceFrontModel), modelFile(faceBackModel));
    HaarFaceDetector haar(modelFile(faceCascade));
    for (const char* n : {"astronaut.png","camera.png","chelsea.png","coffee.png","horse.png","motorcycle_left.png","rocket.jpg","brick.png","grass.png","gravel.png","coins.png","page.png","text.png","moon.png","color.png","logo.png","ihc.png","cell.png","retina.jpg", "hubble_deep_field.jpg", "immunohistochemistry.png", "phantom.png", "microaneurysms.png", "motorcycle_right.png"}) {
        QString p = test::samplePhoto(QString::fromLatin1(n)); if (p.isEmpty()) continue;
        cv::Mat rgb = test::rgbMatFromFile(p);
        if (std::max(rgb.cols, rgb.rows) > 1024) { double s = 1024.0/std::max(rgb.cols,rgb.rows); cv::resize(rgb,rgb,cv::Size(),s,s,cv::INTER_AREA);}
        printf("%s %dx%d\n", n, rgb.cols, rgb.rows);
        for (auto& c : suppressOverlaps(blaze.candidates(rgb))) printf("  blaze %.0f,%.0f %.0fx%.0f %.2f\n", c.box.x, c.box.y, c.box.width, c.box.height, c.score);
        { cv::CascadeClassifier cc(modelFile(faceCascade).toStdString()); cv::Mat g; cv::cvtColor(rgb,g,cv::COLOR_RGB2GRAY); cv::equalizeHist(g,g); std::vector<cv::Rect> f; std::vector<int> lv; std::vector<double> w; cc.detectMultiScale(g,f,lv,w,1.1,3,0,cv::Size(20,20),cv::Size(),true); for(size_t k=0;k<f.size();k++) printf("  haarw %d,%d %dx%d lv %d w %.2f\n", f[k].x,f[k].y,f[k].width,f[k].height,lv[k],w[k]); }
        for (auto& c : haar.candidates(rgb)) printf("  haar %.0f,%.0f %.0fx%.0f\n", c.box.x, c.box.y, c.box.width, c.box.height);
    }
}
#include "engine/ExtraEffects.h"
#include "engine/ImageEngine.h"
#include "platform/Settings.h"
TEST(DISABLED_Scratch, Visual) {
    for (const char* n : {"astronaut.png", "camera.png", "coffee.png", "chelsea.png"}) {
        Bitmap photo = ImageEngine::load(test::samplePhoto(n)).image;
        std::vector<cv::Mat> row;
        for (const char* st : {"blur", "pixelate", "solid"}) {
            Settings::shared().setValue("kelvaro.faceStyle", QString::fromLatin1(st));
            try { row.push_back(toMat(ImageEffects::blurredFaces(photo, "x"))); } catch (...) { row.push_back(toMat(photo)); }
        }
        try { cv::Mat bg = toMat(ImageEffects::removeBackground(photo, "x")); 
              cv::Mat chk(bg.size(), CV_8UC4); for (int y=0;y<bg.rows;y++) for(int x=0;x<bg.cols;x++){ auto p=bg.at<cv::Vec4b>(y,x); int c=((x/16+y/16)%2)?200:120; float a=p[3]/255.f; chk.at<cv::Vec4b>(y,x)=cv::Vec4b(p[0]*a+c*(1-a),p[1]*a+c*(1-a),p[2]*a+c*(1-a),255);} row.push_back(chk);} catch (...) {}
        cv::Mat out; cv::hconcat(row, out);
        toQImage(fromMat(out)).save(QString("/tmp/det/vis_") + n);
    }
}
#include "engine/detectors/DocumentOutlineDetector.h"
TEST(DISABLED_Scratch, Outlines) {
    for (const char* n : {"astronaut.png", "camera.png", "coffee.png", "chelsea.png", "page.png", "text.png", "coins.png", "horse.png", "motorcycle_left.png", "logo.png", "brick.png", "color.png", "phantom.png", "moon.png", "checker_bilevel.png", "chessboard_RGB.png"}) {
        QString p = test::samplePhoto(n); if (p.isEmpty()) continue;
        auto o = ContourOutlineDetector().detect(test::rgbMatFromFile(p));
        if (!o) { printf("%s none\n", n); continue; }
        printf("%s %.2f  (%.2f,%.2f) (%.2f,%.2f) (%.2f,%.2f) (%.2f,%.2f)\n", n, o->confidence, o->corners[0].x(), o->corners[0].y(), o->corners[1].x(), o->corners[1].y(), o->corners[2].x(), o->corners[2].y(), o->corners[3].x(), o->corners[3].y());
    }
}
#include <QElapsedTimer>
#include "engine/ScanEffects.h"
TEST(DISABLED_Scratch, Big) {
    Bitmap photo = ImageEngine::load(test::samplePhoto("astronaut.png")).image.resize(11.7).copy_memory(); // ~6000²
    printf("size %dx%d\n", photo.width(), photo.height());
    for (const char* st : {"blur", "pixelate", "solid"}) {
        Settings::shared().setValue("kelvaro.faceStyle", QString::fromLatin1(st));
        QElapsedTimer t; t.start();
        Bitmap out = ImageEffects::blurredFaces(photo, "x");
        printf("%s %lld ms\n", st, t.elapsed());
    }
    QElapsedTimer t; t.start();
    Bitmap out = ImageEffects::removeBackground(photo, "x");
    printf("bg %lld ms\n", t.elapsed());
    t.start();
    out = ImageEffects::removeBackground(photo, "x");
    printf("bg again %lld ms\n", t.elapsed());
    t.start();
    QString text = ImageEffects::recognizeText(photo);
    printf("ocr %lld ms [%s]\n", t.elapsed(), qPrintable(text));
    t.start();
    QStringList codes = ImageEffects::detectCodes(photo);
    printf("codes %lld ms\n", t.elapsed());
    t.start();
    out = ImageEffects::scannedDocument(photo, "x");
    printf("scan page %lld ms\n", t.elapsed());
}
TEST(DISABLED_Scratch, BgParts) {
    Bitmap photo = ImageEngine::load(test::samplePhoto("astronaut.png")).image.resize(11.7).copy_memory();
    QElapsedTimer t; t.start();
    auto r = reducedRGB(photo); printf("reduce %lld ms\n", t.elapsed()); t.start();
    auto seg = ForegroundSegmenter::shared(); printf("load %lld ms\n", t.elapsed()); t.start();
    cv::Mat m = seg->segment(r.rgb); printf("segment %lld ms\n", t.elapsed()); t.start();
    m = seg->segment(r.rgb); printf("segment2 %lld ms\n", t.elapsed()); t.start();
}
