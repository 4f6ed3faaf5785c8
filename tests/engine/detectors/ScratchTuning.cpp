#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>
#include <opencv2/imgcodecs.hpp>
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
