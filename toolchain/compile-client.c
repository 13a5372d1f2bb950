/*
 * Hands a compile to the compile server (CompileServer.java) and gives back
 * its output and exit status as the cold compile would; starts the server
 * when there is none. Whenever the server cannot be used, or ends before it
 * answers, it runs the cold compile itself.
 *
 * Usage (from bin/mxmlc):
 *   compile-client <server folder> <idle seconds> <cold command...>
 * where the cold command is: java <JVM options> -jar <jar> <arguments...>
 *
 * Set PELTRA_COMPILE_SERVER_DEBUG=1 to see why the server was not used.
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

static char **cold;

/* The JVM announces these on standard error when it starts: only a cold
 * compile prints that. */
static const char *const announced[] = {"JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS",
                                        "JDK_JAVA_OPTIONS"};
/* Variables that differ between two calls from the same place without
 * changing what the compiler does. */
static const char *const volatile_vars[] = {"PWD=", "OLDPWD=", "SHLVL=", "_="};

enum { START_SECONDS = 60, MAX_ANSWER = 256 << 20 };

static void note(const char *fmt, ...)
{
    if (!getenv("PELTRA_COMPILE_SERVER_DEBUG"))
        return;
    va_list ap;
    va_start(ap, fmt);
    fputs("compile-client: ", stderr);
    vfprintf(stderr, fmt, ap);
    fputc('\n', stderr);
    va_end(ap);
}

static _Noreturn void run_cold(void)
{
    execvp(cold[0], cold);
    fprintf(stderr, "%s: %s\n", cold[0], strerror(errno));
    _exit(errno == ENOENT ? 127 : 126);
}

/* --- a growing byte buffer */
struct buf {
    char *data;
    size_t len, cap;
};

static int buf_add(struct buf *b, const void *p, size_t n)
{
    if (b->len + n > b->cap) {
        size_t cap = b->cap ? b->cap : 4096;
        while (cap < b->len + n)
            cap *= 2;
        char *d = realloc(b->data, cap);
        if (!d)
            return -1;
        b->data = d;
        b->cap = cap;
    }
    memcpy(b->data + b->len, p, n);
    b->len += n;
    return 0;
}

static int buf_int(struct buf *b, uint32_t v)
{
    unsigned char c[4] = {v >> 24, v >> 16, v >> 8, v};
    return buf_add(b, c, 4);
}

static uint32_t get_int(const char *p)
{
    const unsigned char *u = (const unsigned char *)p;
    return (uint32_t)u[0] << 24 | (uint32_t)u[1] << 16 | (uint32_t)u[2] << 8 | u[3];
}

/* --- the key: one server per installation, JVM command, working folder
 * (a cold compile takes relative paths from it, and a JVM cannot change
 * its own), file mode mask and environment */
struct hash {
    uint64_t a, b;
};

static void hash_part(struct hash *h, const char *p, size_t n)
{
    /* FNV-1a twice with different starts; the length keeps parts apart. */
    unsigned char len[4] = {n >> 24, n >> 16, n >> 8, n};
    for (int i = 0; i < 4; i++) {
        h->a = (h->a ^ len[i]) * 0x100000001b3ULL;
        h->b = (h->b ^ len[i]) * 0x100000001b3ULL;
    }
    for (size_t i = 0; i < n; i++) {
        unsigned char c = (unsigned char)p[i];
        h->a = (h->a ^ c) * 0x100000001b3ULL;
        h->b = (h->b ^ (unsigned char)(c + 0x5b)) * 0x100000001b3ULL;
    }
}

static int by_string(const void *x, const void *y)
{
    return strcmp(*(char *const *)x, *(char *const *)y);
}

static int make_key(char **command, int n, const char *jar, const char *cwd, char out[33])
{
    struct hash h = {0xcbf29ce484222325ULL, 0x84222325cbf29ce4ULL};
    char sdk[PATH_MAX], path[PATH_MAX + 32];
    if (!realpath(jar, sdk))
        return -1;
    for (int i = 0; i < 2; i++) { /* lib/compiler-mxmlc.jar -> the SDK */
        char *slash = strrchr(sdk, '/');
        if (slash && slash != sdk)
            *slash = '\0';
    }
    hash_part(&h, sdk, strlen(sdk));
    hash_part(&h, cwd, strlen(cwd));
    /* The mode of the files it writes. */
    const mode_t mask = umask(0);
    umask(mask);
    char mask_text[16];
    snprintf(mask_text, sizeof mask_text, "%o", (unsigned)mask);
    hash_part(&h, mask_text, strlen(mask_text));
    snprintf(path, sizeof path, "%s/toolchain.stamp", sdk);
    char stamp[256];
    ssize_t got = 0;
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        got = read(fd, stamp, sizeof stamp);
        close(fd);
    }
    hash_part(&h, stamp, got > 0 ? (size_t)got : 0);
    for (int i = 0; i < n; i++)
        hash_part(&h, command[i], strlen(command[i]));
    size_t count = 0;
    while (environ[count])
        count++;
    char **env = malloc((count + 1) * sizeof *env);
    if (!env)
        return -1;
    memcpy(env, environ, count * sizeof *env);
    qsort(env, count, sizeof *env, by_string);
    for (size_t i = 0; i < count; i++) {
        int skip = 0;
        for (size_t v = 0; v < sizeof volatile_vars / sizeof *volatile_vars; v++)
            skip |= strncmp(env[i], volatile_vars[v], strlen(volatile_vars[v])) == 0;
        if (!skip)
            hash_part(&h, env[i], strlen(env[i]));
    }
    free(env);
    snprintf(out, 33, "%016llx%016llx", (unsigned long long)h.a, (unsigned long long)h.b);
    out[24] = '\0';
    return 0;
}

/* The user's runtime folder for the socket: ours alone, or none. The
 * fallback (also for a runtime folder too deep for a socket's name) is a
 * folder of the user's own in the temporary folder. */
static int runtime_folder(int fallback, char *out, size_t size)
{
    const char *base = getenv("XDG_RUNTIME_DIR");
    struct stat st;
    if (!fallback && base && base[0] == '/' && stat(base, &st) == 0 && S_ISDIR(st.st_mode)) {
        snprintf(out, size, "%s/peltra", base);
    } else {
        const char *tmp = getenv("TMPDIR");
        snprintf(out, size, "%s/peltra-%u", tmp && tmp[0] == '/' ? tmp : "/tmp",
                 (unsigned)getuid());
    }
    if (mkdir(out, 0700) != 0 && errno != EEXIST)
        return -1;
    if (lstat(out, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
        (st.st_mode & 077)) {
        note("unsafe runtime folder %s", out);
        return -1;
    }
    return 0;
}

static int connect_to(const char *path)
{
    struct sockaddr_un addr = {.sun_family = AF_UNIX};
    strcpy(addr.sun_path, path);
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return -1;
    if (connect(s, (struct sockaddr *)&addr, sizeof addr) == 0)
        return s;
    close(s);
    return -1;
}

static double now(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

static int open_log(void)
{
    char dir[PATH_MAX], name[PATH_MAX + 32], old[PATH_MAX + 40];
    const char *cache = getenv("XDG_CACHE_HOME");
    const char *home = getenv("HOME");
    if (cache && cache[0] == '/')
        snprintf(dir, sizeof dir, "%s", cache);
    else if (home && home[0] == '/')
        snprintf(dir, sizeof dir, "%s/.cache", home);
    else
        return open("/dev/null", O_WRONLY | O_CLOEXEC);
    mkdir(dir, 0700);
    strncat(dir, "/peltra", sizeof dir - strlen(dir) - 1);
    mkdir(dir, 0700);
    snprintf(name, sizeof name, "%s/compile-server.log", dir);
    struct stat st;
    if (stat(name, &st) == 0 && st.st_size > (1 << 20)) {
        snprintf(old, sizeof old, "%s.old", name);
        rename(name, old);
    }
    int fd = open(name, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    return fd >= 0 ? fd : open("/dev/null", O_WRONLY | O_CLOEXEC);
}

/* Starts the server detached: its own session, none of the caller's
 * descriptors (the caller's reader waits until every writer of its pipe is
 * gone). Returns a connection to it, or -1. */
static int start_server(char **server, const char *sock)
{
    int logfd = open_log();
    if (logfd < 0)
        return -1;
    pid_t pid = fork();
    if (pid < 0) {
        close(logfd);
        return -1;
    }
    if (pid == 0) {
        setsid();
        int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        dup2(logfd, 1);
        dup2(logfd, 2);
        long max = sysconf(_SC_OPEN_MAX);
        for (int fd = 3; fd < (max > 0 && max < 65536 ? max : 65536); fd++)
            close(fd);
        execvp(server[0], server);
        _exit(127);
    }
    close(logfd);
    note("started compile server %d on %s", (int)pid, sock);
    double deadline = now() + START_SECONDS;
    int ended = 0;
    useconds_t delay = 5000;
    while (now() < deadline) {
        int s = connect_to(sock);
        if (s >= 0)
            return s;
        if (!ended && waitpid(pid, NULL, WNOHANG) == pid) {
            /* Lost the race to another server, or could not start: give
             * the other one a moment, then compile cold. */
            ended = 1;
            if (now() + 2 < deadline)
                deadline = now() + 2;
        }
        usleep(delay);
        if (delay < 50000)
            delay *= 2;
    }
    note("compile server %d did not answer", (int)pid);
    return -1;
}

static int send_all(int s, const char *p, size_t n)
{
    while (n) {
        ssize_t w = send(s, p, n, MSG_NOSIGNAL);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        p += w;
        n -= (size_t)w;
    }
    return 0;
}

static void write_all(int fd, const char *p, size_t n)
{
    while (n) {
        ssize_t w = write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return; /* as the JVM, which ignores a closed standard stream */
        }
        p += w;
        n -= (size_t)w;
    }
}

/* Checks the answer: 0 with the exit status, the output left to replay,
 * or -1 when it asks for (or forces) a cold compile. */
static int check_answer(const struct buf *a, int *code)
{
    size_t pos = 0;
    while (pos + 5 <= a->len) {
        char kind = a->data[pos];
        uint32_t len = get_int(a->data + pos + 1);
        if (len > a->len - pos - 5)
            return -1;
        if (kind == 'X') {
            if (len != 4 || pos + 9 != a->len)
                return -1;
            *code = (int)get_int(a->data + pos + 5);
            return 0;
        }
        if (kind != 'O' && kind != 'E')
            return -1; /* 'C': compile cold */
        pos += 5 + len;
    }
    return -1;
}

static void replay(const struct buf *a)
{
    signal(SIGPIPE, SIG_IGN);
    size_t pos = 0;
    while (a->data[pos] != 'X') {
        uint32_t len = get_int(a->data + pos + 1);
        write_all(a->data[pos] == 'O' ? 1 : 2, a->data + pos + 5, len);
        pos += 5 + len;
    }
}

int main(int argc, char **argv)
{
    if (argc < 4) {
        fputs("usage: compile-client <server folder> <idle seconds> <cold command...>\n", stderr);
        return 2;
    }
    const char *here = argv[1], *idle = argv[2];
    cold = argv + 3;
    int n = argc - 3, j = 1;
    while (j < n && strcmp(cold[j], "-jar") != 0)
        j++;
    if (j + 1 >= n)
        run_cold();
    const char *jar = cold[j + 1];
    char **args = cold + j + 2;
    int nargs = n - j - 2;

    for (size_t i = 0; i < sizeof announced / sizeof *announced; i++) {
        const char *v = getenv(announced[i]);
        if (v && *v)
            run_cold();
    }
    for (int i = 0; i < nargs; i++) {
        const char *a = args[i];
        while (*a == '-')
            a++;
        if (strncmp(a, "watch", 5) == 0)
            run_cold(); /* keeps running: not for a shared server */
    }

    char folder[PATH_MAX], key[33], sock[PATH_MAX + 64], lock[PATH_MAX + 64], cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd) || make_key(cold, j + 2, jar, cwd, key) != 0)
        run_cold();
    for (int fallback = 0;; fallback++) {
        if (fallback > 1 || runtime_folder(fallback, folder, sizeof folder) != 0)
            run_cold();
        snprintf(sock, sizeof sock, "%s/mxmlc-%s.sock", folder, key);
        snprintf(lock, sizeof lock, "%s/mxmlc-%s.lock", folder, key);
        if (strlen(sock) < sizeof((struct sockaddr_un *)0)->sun_path)
            break;
        note("socket path too long: %s", sock);
    }

    /* The request: the working folder, then the compiler's arguments. */
    struct buf req = {0};
    if (buf_add(&req, "PMX1", 4) || buf_int(&req, (uint32_t)nargs + 1) ||
        buf_int(&req, (uint32_t)strlen(cwd)) || buf_add(&req, cwd, strlen(cwd)))
        run_cold();
    for (int i = 0; i < nargs; i++)
        if (buf_int(&req, (uint32_t)strlen(args[i])) || buf_add(&req, args[i], strlen(args[i])))
            run_cold();

    int s = connect_to(sock);
    if (s < 0) {
        /* The cold compile's JVM options: the same encoding and properties
         * for the compiler, and the quick JIT, which serves a server that
         * compiles now and then better than the optimizing one (that one
         * competes for the cores while the first warm compiles run). */
        char cp[2 * PATH_MAX + 2];
        snprintf(cp, sizeof cp, "%s:%s", jar, here);
        char **server = calloc((size_t)j + 8, sizeof *server);
        if (!server)
            run_cold();
        int k = 0;
        server[k++] = cold[0];
        for (int i = 1; i < j; i++)
            server[k++] = cold[i];
        server[k++] = "-cp";
        server[k++] = cp;
        server[k++] = "CompileServer";
        server[k++] = sock;
        server[k++] = lock;
        server[k++] = (char *)idle;
        server[k] = NULL;
        s = start_server(server, sock);
        free(server);
        if (s < 0)
            run_cold();
    }
    if (send_all(s, req.data, req.len) != 0) {
        note("server went away before the request");
        run_cold();
    }
    shutdown(s, SHUT_WR);
    struct buf answer = {0};
    char piece[65536];
    for (;;) {
        ssize_t r = read(s, piece, sizeof piece);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        if (answer.len + (size_t)r > MAX_ANSWER || buf_add(&answer, piece, (size_t)r))
            run_cold();
    }
    close(s);
    int code = 0;
    if (check_answer(&answer, &code) != 0) {
        note("no answer from the server; compiling cold");
        run_cold();
    }
    replay(&answer);
    return code;
}
