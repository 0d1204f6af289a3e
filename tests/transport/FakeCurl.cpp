// A libcurl stand-in that lacks one entry point ("curl_easy_getinfo").
// Nothing here is ever called.
extern "C" {
int curl_global_init() { return 0; }
void* curl_easy_init() { return nullptr; }
int curl_easy_setopt() { return 0; }
int curl_easy_perform() { return 0; }
void curl_easy_cleanup() {}
void* curl_slist_append() { return nullptr; }
void curl_slist_free_all() {}
}
